#include "cli/convert_options.h"

#include "task/control_rules.h"

namespace pipeline {

const std::vector<OptionSpec>& ConvertOptionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"ratio", "R",
       "output ratio: 16:9 16:10 15:9 4:3 21:9 37:20 47:20 (portrait to landscape) or 9:16 10:16 9:15 3:4 "
       "(landscape to portrait)",
       "9:16 for a landscape or square file, 16:9 for a portrait one"},
      {"width", "N", "output width; the height follows from the ratio", "the suggested size"},
      {"height", "N", "output height; the width follows from the ratio", "the suggested size"},
      {"copies", "N", "foreground copies side by side (landscape output)", "1"},
      {"background", "FILE", "background video, picture or GIF", "a blurred copy of the foreground"},
      {"blur", "0..10", "background blur", "5"},
      {"animation", "FILE", "GIF animation laid over the background", "none"},
      {"blend", "MODE", "blend mode of the animation (overlay, screen, multiply, ...)", "overlay"},
      {"opacity", "0..9", "opacity of the animation", "4"},
      {"animation-blur", "0..10", "blur of the animation", "5"},
      {"music", "FILE", "background sound", "none"},
      {"sound", "LIST", "sounds to mix, any of fg,bg,music",
       "as the window ticks them after probing: each source that has sound"},
      {"mute", nullptr, "no sound at all", nullptr},
      {"audio-fade", "LIST", "audio fades: in, out or in,out", "off"},
      {"video-fade", "LIST", "video fades: in, out or in,out", "off"},
      {"effects", "LIST", "effect numbers 1..4 (their filters come from de.ini)", "none"},
      {"denoise", nullptr, "noise reduction", "off"},
      {"soften", nullptr, "softening", "off"},
      {"mirror", nullptr, "mirror the foreground", "off"},
      {"dedup", nullptr, "remove duplicate frames", "off"},
      {"bitrate", "N", "video bitrate in kb/s", "automatic (the foreground's)"},
      {"format", "EXT", "output container, e.g. mp4 or .mkv", "the foreground's"},
      {"duration", "HH:MM:SS", "output length", "the foreground's"},
      {"fast-background", nullptr,
       "快速背景: build the background from the part the output shows, blurred small (faster)", "off"},
      {"layout", "L",
       "画面: blur (the blurred background), colour[:RRGGBB] (one colour, default 000000), crop[:PERCENT] "
       "(fill the canvas, cut at PERCENT across or down, default 50) or follow (fill the canvas with a crop "
       "that follows the subject, found by an analysis before the conversion); crop and follow take one "
       "copy and no background file",
       "blur"},
      {"save-list", "LIST.json",
       "add the tasks to the task list file LIST.json (created when missing) instead of running them; "
       "run it later with 'flipframe run'",
       nullptr},
      {"dry-run", nullptr, "print each task's converter arguments instead of running them", nullptr},
  };
  return specs;
}

namespace {

// Reads an integer option into `out` when given; false (with `error` set) when invalid.
bool IntOption(const ParsedOptions& p, const char* name, int low, int high, std::optional<int>& out,
               std::string& error) {
  if (!p.has(name)) return true;
  int v = 0;
  if (!ParseIntIn(p.values.at(name), low, high, v)) {
    error = std::string("--") + name + " must be a whole number from " + std::to_string(low) + " to " +
            std::to_string(high) + ", not '" + p.values.at(name) + "'";
    return false;
  }
  out = v;
  return true;
}

// "in", "out" or both, comma-separated.
bool FadeOption(const ParsedOptions& p, const char* name, bool& in, bool& out, std::string& error) {
  if (!p.has(name)) return true;
  for (const std::string& item : SplitList(p.values.at(name))) {
    if (item == "in")
      in = true;
    else if (item == "out")
      out = true;
    else {
      error = std::string("--") + name + " takes in, out or in,out, not '" + item + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

ConvertRequest ParseConvertArguments(const std::vector<std::string>& args) {
  ConvertRequest req;
  const ParsedOptions p = ParseOptions(ConvertOptionSpecs(), args);
  req.help = p.help;
  if (!p.error.empty()) {
    req.error = p.error;
    return req;
  }
  SettingsTemplate& t = req.settings;
  std::string& error = req.error;
  auto value = [&p](const char* name) { return p.values.at(name); };

  if (p.has("ratio")) {
    const int index = task::RatioIndexOf(value("ratio"));
    if (index < 0) {
      error = "unknown ratio '" + value("ratio") + "' (see --help)";
      return req;
    }
    t.ratioIndex = index;
  }
  if (p.has("width") && p.has("height")) {
    error = "give --width or --height, not both: the other follows from the ratio";
    return req;
  }
  std::optional<int> width, height;
  if (!IntOption(p, "width", 1, 16384, width, error) || !IntOption(p, "height", 1, 16384, height, error))
    return req;
  if (width) t.typedSize = width, t.typedBox = task::ActiveBox::Width;
  if (height) t.typedSize = height, t.typedBox = task::ActiveBox::Height;
  if (!IntOption(p, "copies", 1, task::kMaxForegroundCopies, t.copies, error) ||
      !IntOption(p, "blur", 0, 10, t.backgroundBlur, error) ||
      !IntOption(p, "opacity", 0, 9, t.animationOpacity, error) ||
      !IntOption(p, "animation-blur", 0, 10, t.animationBlur, error))
    return req;
  std::optional<int> bitrate;
  if (!IntOption(p, "bitrate", 1, 1000000, bitrate, error)) return req;
  if (bitrate) t.bitrate = std::to_string(*bitrate);

  if (p.has("background")) t.background = value("background");
  if (p.has("animation")) t.animation = value("animation");
  if (p.has("music")) t.music = value("music");
  if (p.has("blend")) {
    const int index = task::BlendModeIndexOf(value("blend"));
    if (index < 0) {
      error = "unknown blend mode '" + value("blend") + "'";
      return req;
    }
    t.blendModeIndex = index;
  }
  if (p.has("sound") && p.has("mute")) {
    error = "give --sound or --mute, not both";
    return req;
  }
  if (p.has("mute")) t.sounds = std::array<bool, 3>{};
  if (p.has("sound")) {
    std::array<bool, 3> sounds{};
    for (const std::string& item : SplitList(value("sound"))) {
      const int at = item == "fg" ? 0 : item == "bg" ? 1 : item == "music" ? 2 : -1;
      if (at < 0) {
        error = "--sound takes any of fg,bg,music, not '" + item + "'";
        return req;
      }
      sounds[size_t(at)] = true;
    }
    t.sounds = sounds;
  }
  if (!FadeOption(p, "audio-fade", t.audioFadeIn, t.audioFadeOut, error) ||
      !FadeOption(p, "video-fade", t.videoFadeIn, t.videoFadeOut, error))
    return req;
  if (p.has("effects")) {
    for (const std::string& item : SplitList(value("effects"))) {
      int e = 0;
      if (!ParseIntIn(item, 1, 4, e)) {
        error = "--effects takes effect numbers 1 to 4, not '" + item + "'";
        return req;
      }
      t.effects[size_t(e - 1)] = true;
    }
  }
  t.denoise = p.has("denoise");
  t.soften = p.has("soften");
  t.mirror = p.has("mirror");
  t.dedup = p.has("dedup");
  if (p.has("format")) t.format = value("format");
  if (p.has("duration")) t.duration = value("duration");
  t.fastBackground = p.has("fast-background");
  if (p.has("layout")) {
    const std::optional<task::CanvasLayout> layout = task::ParseLayout(value("layout"));
    if (!layout) {
      error = "--layout takes blur, colour[:RRGGBB], crop[:PERCENT] (0 to 100) or follow, not '" +
              value("layout") + "'";
      return req;
    }
    t.layout = *layout;
    if (t.copies && *t.copies > 1 && layout->cropsForeground()) {
      error = "--layout " + value("layout") + " takes one foreground copy, not --copies " +
              std::to_string(*t.copies);
      return req;
    }
  }
  req.dryRun = p.has("dry-run");
  if (p.has("save-list")) {
    req.saveList = value("save-list");
    if (req.saveList.empty()) {
      error = "--save-list needs a file name";
      return req;
    }
    if (req.dryRun) {
      error = "give --save-list or --dry-run, not both";
      return req;
    }
  }
  req.files = p.operands;
  if (req.files.empty() && !req.help) error = "no FILE given";
  return req;
}

}  // namespace pipeline
