#include "cli/convert_options.h"

#include <cctype>
#include <cstdlib>

#include "task/control_rules.h"
#include "task/encoder_preset.h"

namespace pipeline {

const std::vector<OptionSpec>& ConvertOptionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"ratio", "R",
       "输出比例：16:9 16:10 15:9 4:3 21:9 37:20 47:20（竖->横）或 9:16 10:16 9:15 3:4（横->竖）",
       "横屏或方形文件 9:16，竖屏文件 16:9"},
      {"width", "N", "输出宽度，高度按比例算出", "建议的尺寸"},
      {"height", "N", "输出高度，宽度按比例算出", "建议的尺寸"},
      {"copies", "N", "并排的前景副本数（横屏输出）", "1"},
      {"background", "FILE", "背景视频、图片或 GIF", "前景视频的模糊副本"},
      {"blur", "0..10", "背景模糊度", "5"},
      {"animation", "FILE", "叠在背景上的 GIF 动画", "无"},
      {"blend", "MODE", "动画的混合模式（overlay、screen、multiply……）", "overlay"},
      {"opacity", "0..9", "动画的不透明度", "4"},
      {"animation-blur", "0..10", "动画模糊度", "5"},
      {"music", "FILE", "背景音乐", "无"},
      {"sound", "LIST", "要混合的声音，fg、bg、music 中的若干个",
       "与窗口读取文件后勾选的相同：每个有声音的来源"},
      {"mute", nullptr, "完全无声", nullptr},
      {"audio-fade", "LIST", "音频淡入淡出：in、out 或 in,out", "关"},
      {"video-fade", "LIST", "视频淡入淡出：in、out 或 in,out", "关"},
      {"effects", "LIST", "特效编号 1..4（滤镜取自 de.ini）", "无"},
      {"denoise", nullptr, "降噪", "关"},
      {"soften", nullptr, "柔化", "关"},
      {"mirror", nullptr, "前景镜像", "关"},
      {"dedup", nullptr, "去除重复帧", "关"},
      {"bitrate", "N", "视频码率，单位 kb/s", "自动（前景视频的码率）"},
      {"format", "EXT", "输出格式，例如 mp4 或 .mkv", "前景视频的格式"},
      {"duration", "HH:MM:SS", "输出时长", "前景视频的时长"},
      {"fast-background", nullptr, "快速背景：只用画面中显示的部分缩小模糊后做背景（更快）", "关"},
      {"layout", "L",
       "画面：blur（模糊背景）、colour[:RRGGBB]（纯色背景，默认 000000）、crop[:PERCENT]（裁切铺满，按 "
       "PERCENT "
       "横向或纵向取位置，默认 50）或 follow（智能跟随：先分析画面，再用跟随主体的裁切铺满）；crop 和 follow "
       "只用一个前景副本，不用背景文件",
       "blur"},
      {"preset", "NAME",
       "编码速度：x264 的预设 ultrafast superfast veryfast faster fast medium slow slower "
       "veryslow，越快文件越大；"
       "只用于以 x264 编码的格式（mp4、mkv、mov……）",
       "不指定，即转换程序的 medium"},
      {"target", "NAME",
       "发布目标：按 targets.ini 中名为 NAME 的目标设定尺寸、帧率上限、编码和码率上限（见 --targets）；"
       "给出多次时一次转换输出每个目标各一个文件（clip_9x16_1.mp4、clip_1x1_1.mp4……）；"
       "不能与 --ratio、--width、--height、--format 一起使用",
       "自定义"},
      {"targets", nullptr, "列出 targets.ini 中的发布目标及其数值，然后退出", nullptr},
      {"over-limit", "cut|keep", "文件长于发布目标的时长上限时：cut 截短到上限，keep 保留全长", "拒绝此文件"},
      {"title", "TEXT", "标题：画面上方的文字（\\n 换行；{name} 为文件名，{index} 为任务序号）", "无"},
      {"caption", "TEXT", "字幕：画面下方的文字（同 --title）", "无"},
      {"font", "FONT", "标题和字幕的字体：已安装字体的名称或字体文件的路径", "文泉驿微米黑"},
      {"text-size", "8..400", "标题和字幕的文字高度（像素），放不下时自动缩小", "输出宽度的 1/16"},
      {"text-colour", "RRGGBB", "标题和字幕的颜色", "FFFFFF"},
      {"outline-colour", "RRGGBB", "标题和字幕的描边颜色", "000000"},
      {"logo", "FILE", "Logo：叠在画面最上层的图片（PNG 可带透明，JPG）或 GIF 动画（循环播放）", "无"},
      {"logo-place", "PLACE", "Logo 的位置：top-left、top-right、bottom-left 或 bottom-right", "top-right"},
      {"logo-size", "PERCENT", "Logo 的宽度，占画面宽度的百分比（1..100）", "15"},
      {"logo-margin", "PERCENT", "Logo 与画面边缘的距离，占画面宽度的百分比（0..50）", "3"},
      {"logo-opacity", "PERCENT", "Logo 的不透明度，百分比（1..100）", "100"},
      {"save-list", "LIST.json",
       "不执行任务，而是把任务加入任务列表文件 LIST.json（不存在时新建），以后用 'flipframe run' 执行",
       nullptr},
      {"dry-run", nullptr, "不执行任务，只打印每个任务的转换程序参数", nullptr},
      {"jobs", "N", JobsHelp(), "1"},
      {"preview", "SECONDS", "预览：只写出输出在这一时刻的画面（PNG），不转换", nullptr},
      {"preview-out", "FILE.png", "预览画面写到这个文件", "result/ 中的 NAME_preview.png"},
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
    error = std::string("--") + name + " 须为 " + std::to_string(low) + " 到 " + std::to_string(high) +
            " 之间的整数，而不是“" + p.values.at(name) + "”";
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
      error = std::string("--") + name + " 只接受 in、out 或 in,out，而不是“" + item + "”";
      return false;
    }
  }
  return true;
}

// --preview SECONDS [--preview-out FILE.png]: one frame of each file, nothing converted.
bool PreviewOptions(const ParsedOptions& p, ConvertRequest& req) {
  if (p.has("preview-out") && !p.has("preview")) {
    req.error = "--preview-out 需要与 --preview 一起使用";
    return false;
  }
  if (!p.has("preview")) return true;
  const std::string& text = p.values.at("preview");
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds >= 0) || seconds > 1e7) {
    req.error = "--preview 需要一个不小于 0 的秒数，而不是 '" + text + "'";
    return false;
  }
  if (req.dryRun || !req.saveList.empty()) {
    req.error = "--preview 不能与 --dry-run 或 --save-list 一起使用";
    return false;
  }
  if (p.has("preview-out") && req.files.size() > 1) {
    req.error = "--preview-out 只能用于一个 FILE";
    return false;
  }
  req.previewSeconds = seconds;
  if (p.has("preview-out")) req.previewOut = p.values.at("preview-out");
  return true;
}

// --target, --targets, --over-limit and the band texts.
bool PublishOptions(const ParsedOptions& p, ConvertRequest& req) {
  SettingsTemplate& t = req.settings;
  req.listTargets = p.has("targets");
  if (p.has("target")) {
    req.targetNames = p.every.at("target");
    if (req.targetNames.size() > size_t(task::kMaxOutputs)) {
      req.error = "--target 至多给出 " + std::to_string(task::kMaxOutputs) + " 次";
      return false;
    }
    for (const char* other : {"ratio", "width", "height", "format"})
      if (p.has(other)) {
        req.error = std::string("--target 已定下尺寸、比例和格式，不能与 --") + other + " 一起使用";
        return false;
      }
  }
  if (p.has("over-limit")) {
    const std::string& v = p.values.at("over-limit");
    if (v != "cut" && v != "keep") {
      req.error = "--over-limit 取 cut 或 keep，而不是“" + v + "”";
      return false;
    }
    t.overLimit = v == "cut" ? SettingsTemplate::OverLimit::Cut : SettingsTemplate::OverLimit::Keep;
  }
  task::BandTexts& b = t.bandTexts;
  for (auto [name, field] :
       {std::pair{"title", &b.title}, std::pair{"caption", &b.caption}, std::pair{"font", &b.font},
        std::pair{"text-colour", &b.colour}, std::pair{"outline-colour", &b.outline}})
    if (p.has(name)) *field = p.values.at(name);
  for (std::string* colour : {&b.colour, &b.outline})
    for (char& c : *colour) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (p.has("text-size") && !ParseIntIn(p.values.at("text-size"), 8, 400, b.size)) {
    req.error = "--text-size 须为 8 到 400 之间的整数，而不是“" + p.values.at("text-size") + "”";
    return false;
  }
  // Checked as a task list's texts are (the placeholders filled in with the longest name
  // leaves the size check to each task).
  if (const std::string problem = task::BandTextsProblem(b); !problem.empty()) {
    req.error = problem;
    return false;
  }
  return true;
}

// --logo and how it is laid over the canvas.
bool LogoOptions(const ParsedOptions& p, ConvertRequest& req) {
  task::Logo& logo = req.settings.logo;
  if (!p.has("logo")) {
    for (const char* other : {"logo-place", "logo-size", "logo-margin", "logo-opacity"})
      if (p.has(other)) {
        req.error = std::string("--") + other + " 需要与 --logo 一起使用";
        return false;
      }
    return true;
  }
  logo.path = p.values.at("logo");
  if (logo.path.empty()) {
    req.error = "--logo 需要一个图片或 GIF 文件";
    return false;
  }
  if (p.has("logo-place")) {
    const std::optional<task::LogoPlace> place = task::LogoPlaceOf(p.values.at("logo-place"));
    if (!place) {
      req.error = "--logo-place 取 top-left、top-right、bottom-left 或 bottom-right，而不是“" +
                  p.values.at("logo-place") + "”";
      return false;
    }
    logo.place = *place;
  }
  const struct {
    const char* name;
    int low, high;
    int* value;
  } numbers[] = {{"logo-size", task::kLogoSizeMin, task::kLogoSizeMax, &logo.size},
                 {"logo-margin", task::kLogoMarginMin, task::kLogoMarginMax, &logo.margin},
                 {"logo-opacity", task::kLogoOpacityMin, task::kLogoOpacityMax, &logo.opacity}};
  for (const auto& n : numbers) {
    std::optional<int> v;
    if (!IntOption(p, n.name, n.low, n.high, v, req.error)) return false;
    if (v) *n.value = *v;
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
      error = "未知的比例“" + value("ratio") + "”（见 --help）";
      return req;
    }
    t.ratioIndex = index;
  }
  if (p.has("width") && p.has("height")) {
    error = "--width 与 --height 只能给出一个：另一个按比例算出";
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
      error = "未知的混合模式“" + value("blend") + "”";
      return req;
    }
    t.blendModeIndex = index;
  }
  if (p.has("sound") && p.has("mute")) {
    error = "--sound 与 --mute 只能给出一个";
    return req;
  }
  if (p.has("mute")) t.sounds = std::array<bool, 3>{};
  if (p.has("sound")) {
    std::array<bool, 3> sounds{};
    for (const std::string& item : SplitList(value("sound"))) {
      const int at = item == "fg" ? 0 : item == "bg" ? 1 : item == "music" ? 2 : -1;
      if (at < 0) {
        error = "--sound 只接受 fg、bg、music 中的若干个，而不是“" + item + "”";
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
        error = "--effects 只接受特效编号 1 到 4，而不是“" + item + "”";
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
      error = "--layout 取 blur、colour[:RRGGBB]、crop[:PERCENT]（0 到 100）或 follow，而不是 '" +
              value("layout") + "'";
      return req;
    }
    t.layout = *layout;
    if (t.copies && *t.copies > 1 && layout->cropsForeground()) {
      error = "--layout " + value("layout") + " 只用一个前景副本，不能与 --copies " +
              std::to_string(*t.copies) + " 一起使用";
      return req;
    }
  }
  if (p.has("preset")) {
    t.encoderPreset = value("preset");
    if (!task::IsEncoderPreset(t.encoderPreset)) {
      error =
          "--preset 取 ultrafast、superfast、veryfast、faster、fast、medium、slow、slower 或 "
          "veryslow，而不是“" +
          value("preset") + "”";
      return req;
    }
  }
  if (!PublishOptions(p, req) || !LogoOptions(p, req)) return req;
  req.dryRun = p.has("dry-run");
  if (!ParseJobs(p, req.jobs, error)) return req;
  if (p.has("save-list")) {
    req.saveList = value("save-list");
    if (req.saveList.empty()) {
      error = "--save-list 需要一个文件名";
      return req;
    }
    if (req.dryRun) {
      error = "--save-list 与 --dry-run 只能给出一个";
      return req;
    }
  }
  req.files = p.operands;
  if (req.files.empty() && !req.help && !req.listTargets) error = "没有给出要转换的文件（FILE）";
  if (error.empty() && !PreviewOptions(p, req)) return req;
  return req;
}

}  // namespace pipeline
