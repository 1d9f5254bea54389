#include "task/outputs_graph.h"

#include <algorithm>
#include <numeric>

#include "platform/fonts.h"
#include "task/control_rules.h"
#include "task/encoder_preset.h"
#include "task/graph_pieces.h"
#include "task/logo.h"
#include "text/bytes.h"
#include "text/numbers.h"

namespace task {
namespace {

std::string Text(long long v) { return std::to_string(v); }

std::string Label(const char* kind, size_t k) { return std::string("[") + kind + Text(long(k) + 1) + "]"; }

// "[f1][f2]..." for `count` streams.
std::string Labels(const char* kind, size_t count) {
  std::string r;
  for (size_t k = 0; k < count; ++k) r += Label(kind, k);
  return r;
}

bool SizeInRange(int v) { return v >= kMinimumOutputSize && v <= 16384 && v % 2 == 0; }

// The picture of output `o` from its foreground `[f]` (and its blurred background `[b]` in
// the blur layout), unlabelled at the end.
std::string Composition(const TaskRecord& o, const std::string& f, const std::string& b, size_t k) {
  const std::string W = Text(o.outputWidth), H = Text(o.outputHeight), size = W + ":" + H;
  const std::string filters = ForegroundFilters(o);
  if (o.layout.kind == LayoutKind::Crop) return CroppedBody(o, f, "", false, BackgroundCover(o, W, H));
  if (FillsCanvas(o)) return f + "scale=" + size + ",setsar=1" + filters;
  const bool portrait = IsPortraitRatio(o.ratioIndex);
  const std::string g = Label("g", k), v = Label("v", k);
  std::string r;
  if (o.layout.kind == LayoutKind::Colour) {
    const std::string c = Label("c", k);
    r = f + "split" + c + b + ";" + b + "scale=" + size + ",setsar=1,drawbox=c=0x" + o.layout.colour +
        ":t=fill" + g + ";";
    r += c;
  } else {
    // The part of the blurred clip the classic graph's centre cut shows, made the output size.
    const CoverSize cover = BackgroundCover(o, W, H);
    r = b + "crop=iw*" + W + "/(2*" + cover.width + "):ih*" + H + "/(2*" + cover.height + "),scale=" + size +
        ",setsar=1" + g + ";";
    r += f;
  }
  r += (portrait ? "scale=" + W + ":-1" : "scale=-1:" + H) + filters + v + ";";
  return r + g + v + (portrait ? "overlay=0:(H-h)/2" : "overlay=W/2-w/2:0");
}

}  // namespace

bool FillsCanvas(const TaskRecord& t) {
  return t.target.used() && (t.layout.kind == LayoutKind::Blur || t.layout.kind == LayoutKind::Colour) &&
         t.foregroundWidth > 0 && t.foregroundHeight > 0 &&
         static_cast<long long>(t.foregroundWidth) * t.outputHeight ==
             static_cast<long long>(t.foregroundHeight) * t.outputWidth;
}

std::vector<TaskRecord> OutputTasks(const TaskRecord& t) {
  std::vector<TaskRecord> outputs{t};
  outputs.front().moreOutputs.clear();
  for (const TargetOutput& more : t.moreOutputs) {
    TaskRecord o = outputs.front();
    o.target = more.settings;
    o.outputWidth = more.width;
    o.outputHeight = more.height;
    o.ratioIndex = RatioForTarget(t.foregroundWidth, t.foregroundHeight, more.width, more.height);
    o.selectedForegroundCount = 0;
    outputs.push_back(std::move(o));
  }
  return outputs;
}

std::vector<std::string> OutputShapeNames(const std::vector<TaskRecord>& outputs) {
  std::vector<std::string> names;
  for (const TaskRecord& o : outputs) {
    const int d = std::max(1, std::gcd(o.outputWidth, o.outputHeight));
    names.push_back(Text(o.outputWidth / d) + "x" + Text(o.outputHeight / d));
  }
  std::vector<std::string> named = names;
  for (size_t k = 0; k < names.size(); ++k)
    if (std::count(names.begin(), names.end(), names[k]) > 1) named[k] += "-" + outputs[k].target.name;
  return named;
}

std::string SeveralOutputsProblem(const TaskRecord& t) {
  if (t.moreOutputs.empty()) return "";
  if (t.moreOutputs.size() + 1 > size_t(kMaxOutputs))
    return "一个任务最多输出 " + Text(kMaxOutputs) + " 个发布目标";
  if (!t.target.used()) return "同时输出多个文件时，每个输出都需要一个发布目标";
  for (const TargetOutput& more : t.moreOutputs) {
    if (!more.settings.used()) return "同时输出多个文件时，每个输出都需要一个发布目标";
    if (std::string why = TargetSettingsProblem(more.settings); !why.empty()) return why;
    if (!SizeInRange(more.width) || !SizeInRange(more.height))
      return "发布目标“" + more.settings.name + "”的尺寸 " + Text(more.width) + "x" + Text(more.height) +
             " 无效";
  }
  for (size_t k = 0; k < t.moreOutputs.size(); ++k) {
    const std::string& name = t.moreOutputs[k].settings.name;
    bool twice = name == t.target.name;
    for (size_t j = 0; j < k; ++j) twice = twice || t.moreOutputs[j].settings.name == name;
    if (twice) return "发布目标“" + name + "”给出了两次";
  }
  const char* what = nullptr;
  if (t.layout.kind == LayoutKind::Follow)
    what = "智能跟随画面";
  else if (t.layout.kind == LayoutKind::Blur && !t.backgroundPath.empty() &&
           t.backgroundPath != t.foregroundPath)
    what = "背景文件";
  else if (!t.animationPath.empty())
    what = "GIF 动画";
  else if (t.ticked(kTickMusic) || t.ticked(kTickBackgroundSound))
    what = "背景音乐或背景声音";
  else if (t.ticked(kTickBounceVertical) || t.ticked(kTickBounceHorizontal) || t.ticked(kTickPsychedelic) ||
           t.ticked(kTickColourShift))
    what = "特效";
  else if (!IsPortraitRatio(t.ratioIndex) && t.selectedForegroundCount > 0)
    what = "并排的多个前景副本";
  return what ? std::string("同时输出多个发布目标时不能使用") + what : "";
}

BuildResult BuildSeveralOutputs(TaskRecord& t, BuildMode mode, const BuildEnvironment& env,
                                BuildResult result) {
  if (ApplyAudioRuleTo(t)) result.audioRuleChanged = true;
  const std::vector<TaskRecord> outputs = OutputTasks(t);
  const std::vector<std::string> shapes = OutputShapeNames(outputs);
  const size_t n = outputs.size();

  // The temporary outputs, each named after the clip and its shape.
  const std::string foreground = Unquote(t.foregroundPath);
  const size_t slash = foreground.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : foreground.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? foreground : foreground.substr(slash + 1);
  std::vector<std::string> paths;
  for (size_t k = 0; k < n; ++k)
    paths.push_back(OutputName(WithNameAddition(folder + "result/" + name, "_" + shapes[k]), "_tmp",
                               t.outputFormat, env.exists));
  result.outputPath = paths.front();

  // The foreground split once for every output, and once more for the shared background.
  std::vector<size_t> blurred;  // outputs that show the blurred background
  for (size_t k = 0; k < n; ++k)
    if (outputs[k].layout.kind == LayoutKind::Blur && !FillsCanvas(outputs[k])) blurred.push_back(k);
  std::string graph = "[0:v]split=" + Text(long(n + (blurred.empty() ? 0 : 1))) + Labels("f", n) +
                      (blurred.empty() ? "" : "[bg]") + ";";
  if (!blurred.empty()) {
    graph += "[bg]";
    if (t.backgroundBlur > 0) graph += "boxblur=" + Text(2LL * t.backgroundBlur) + ",";
    graph += "split=" + Text(long(blurred.size()));
    for (size_t k : blurred) graph += Label("b", k);
    graph += ";";
  }
  // The logo, the second input, laid over each output in its own size.
  if (t.logo.used()) graph += "[1:v]split=" + Text(long(n)) + Labels("l", n) + ";";

  const std::string fontFile = t.bandTexts.used() ? plat::FontFileFor(t.bandTexts.font) : "";
  std::string options;
  for (size_t k = 0; k < n; ++k) {
    const TaskRecord& o = outputs[k];
    graph += Composition(o, Label("f", k), Label("b", k), k);
    BandTextPlan plan = PlanBandTexts(o, paths[k], fontFile);
    graph += plan.filters;
    for (BandTextFile& file : plan.files) result.textFiles.push_back(std::move(file));
    if (t.logo.used()) graph += LogoOverlay(t.logo, Label("l", k), o.outputWidth, Text(long(k)));
    graph += VideoPostFilters(t);
    graph += Label("o", k) + (k + 1 < n ? ";" : "");

    options += " -map \"" + Label("o", k) + "\" -to " +
               (mode == BuildMode::Trial ? "00:00:00.001" : t.outputDuration);
    if (t.ticked(kTickMute)) {
      options += " -an";
    } else {
      options += " -map 0:a?";
      if (const std::string fades = AudioFades(t); !fades.empty()) options += " -af " + fades;
      options += TargetAudioOptions(o.target);
    }
    if (!t.ticked(kTickAutoBitrate)) options += " -b:v " + t.bitrate + "k";
    if (IsEncoderPreset(t.encoderPreset) && EncodesWithX264(t.outputFormat))
      options += " -preset " + t.encoderPreset;
    options += TargetVideoOptions(o.target, t.foregroundFps, t.outputFormat) + " -y \"" + paths[k] + "\"";
  }
  if (!folder.empty() && env.makeDirs) env.makeDirs(folder + "result");
  result.text = "-i " + t.foregroundPath + (t.logo.used() ? LogoInput(t.logo) : "") + " -filter_complex \"" +
                graph + "\"" + options;
  return result;
}

}  // namespace task
