#include "pipeline/stored_task.h"

#include "probe/converter.h"
#include "probe/path_check.h"
#include "task/control_rules.h"
#include "task/encoder_preset.h"
#include "task/layout.h"
#include "task/outputs_graph.h"
#include "text/bytes.h"

namespace pipeline {
namespace {

using task::TaskRecord;

constexpr int kMaximumOutputSize = 16384;
constexpr int kMaximumMediaSize = 100000;  // pixels of a probed source or a suggested size

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(const std::string& s, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (!IsDigit(s[i])) return false;
  return from < to;
}

// "01:02:03" or, the foreground's whole length, "00:01:23.45".
bool IsClock(const std::string& s) {
  if (s.size() < 8 || s[2] != ':' || s[5] != ':') return false;
  if (!AllDigits(s, 0, 2) || !AllDigits(s, 3, 5) || !AllDigits(s, 6, 8)) return false;
  return s.size() == 8 || (s[8] == '.' && s.size() <= 15 && AllDigits(s, 9, s.size()));
}

// As the converter prints a frame rate: "25", "29.97", "1k"; "" when it printed none.
bool IsFrameRate(const std::string& s) {
  if (s.empty()) return true;
  const size_t end = s.back() == 'k' ? s.size() - 1 : s.size();
  const size_t dot = s.find('.');
  if (end > 12) return false;
  if (dot == std::string::npos || dot >= end) return AllDigits(s, 0, end);
  return AllDigits(s, 0, dot) && AllDigits(s, dot + 1, end);
}

// ".mp4": a dot and a few letters or digits, so that the output's name stays a file name in
// "result/".
bool IsPlainExtension(const std::string& s) {
  if (s.size() < 2 || s.size() > 16 || s[0] != '.') return false;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (!IsDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z')) return false;
  }
  return true;
}

std::string Named(const char* what, const std::string& value, const char* why) {
  return std::string(what) + "“" + value + "”" + why;
}

// A source path as the window stores it: an absolute path between double quotes that the
// source pickers would have taken.
std::string PathProblem(const char* what, const std::string& quoted, bool optional) {
  if (quoted.empty()) return optional ? "" : std::string(what) + "为空";
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
    return Named(what, quoted, "不在双引号之间");
  const std::string path = task::Unquote(quoted);
  // An absolute path never starts with "-" (an option) nor with "name:" (a protocol).
  if (path.empty() || path[0] != '/' || path.back() == '/') return Named(what, path, "不是文件的绝对路径");
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7f) return Named(what, path, "含有控制字符");
  const char* problem = probe::PathProblem(path);
  if (*problem == 0) return "";
  return Named(what, path, problem == probe::kPathTooLongMessage ? "路径过长" : "含有保留字符或特殊字符");
}

struct Range {
  const char* what;
  int value, low, high;
};

std::string RangeProblem(const Range& r) {
  if (r.value >= r.low && r.value <= r.high) return "";
  return std::string(r.what) + "（" + std::to_string(r.value) + "）不在" + std::to_string(r.low) + "到" +
         std::to_string(r.high) + "之间";
}

template <size_t N>
bool AllSwitches(const std::array<int, N>& values) {
  for (int v : values)
    if (v != 0 && v != 1) return false;
  return true;
}

// The command without its output words: the builder ends each output with ` -y "OUTPUT"`.
std::string WithoutOutput(std::string command) {
  for (size_t at; (at = command.rfind(" -y \"")) != std::string::npos;) {
    const size_t end = command.find('"', at + 5);
    command.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
  }
  return command;
}

// The full command of `stored` as the builder makes it with `filters`, every source the task
// names taken as present and nothing else: only the task's own fields decide.
std::string Rebuilt(const TaskRecord& stored, const EffectFilters& filters) {
  TaskRecord copy = stored;
  const std::string sources[] = {task::Unquote(stored.backgroundPath), task::Unquote(stored.animationPath)};
  const auto named = [&sources](const std::string& p) {
    return !p.empty() && (p == sources[0] || p == sources[1]);
  };
  return WithoutOutput(task::BuildCommand(copy, task::BuildMode::Full, {filters, named, nullptr}).text);
}

// True when `text` is `pattern` with each marked effect filter replaced by some text: the
// pieces between the marks are found in order, the first at the start and the last at the end.
bool MatchesWithAnyEffects(const std::string& text, const std::string& pattern, char mark) {
  std::vector<std::string> pieces{""};
  for (char c : pattern) {
    if (c == mark) {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(c);
    }
  }
  if (pieces.size() == 1) return text == pattern;
  const std::string& first = pieces.front();
  const std::string& last = pieces.back();
  if (text.size() < first.size() + last.size() || text.compare(0, first.size(), first) != 0 ||
      text.compare(text.size() - last.size(), last.size(), last) != 0)
    return false;
  size_t at = first.size();
  const size_t end = text.size() - last.size();
  for (size_t i = 1; i + 1 < pieces.size(); ++i) {
    const size_t found = text.find(pieces[i], at);
    if (found == std::string::npos || found + pieces[i].size() > end) return false;
    at = found + pieces[i].size();
  }
  return true;
}

// The follow layout analyses the foreground at its stored size and crops one copy of it.
std::string FollowProblem(const TaskRecord& r) {
  if (r.layout.kind != task::LayoutKind::Follow) return "";
  if (r.foregroundWidth < 2 || r.foregroundHeight < 2)
    return "智能跟随需要前景的画面尺寸，而前景宽度和高度为 " + std::to_string(r.foregroundWidth) + "×" +
           std::to_string(r.foregroundHeight);
  return task::LayoutCopiesProblem(r.layout, r.selectedForegroundCount + 1);
}

std::string TaskNumbers(const std::vector<int>& numbers) {
  constexpr size_t kShown = 10;
  std::string s = "第";
  for (size_t i = 0; i < numbers.size() && i < kShown; ++i) s += (i ? "、" : "") + std::to_string(numbers[i]);
  if (numbers.size() > kShown) s += "等共" + std::to_string(numbers.size());
  return s + "个任务";
}

}  // namespace

std::string StoredTaskProblem(const TaskRecord& r) {
  for (std::string p :
       {PathProblem("前景文件", r.foregroundPath, false), PathProblem("背景文件", r.backgroundPath, true),
        PathProblem("动画文件", r.animationPath, true), PathProblem("音乐文件", r.audioPath, true),
        PathProblem("Logo 文件", r.logo.path, true)})
    if (!p.empty()) return p;
  if (!IsPlainExtension(r.outputFormat)) return Named("输出格式", r.outputFormat, "不是文件扩展名");
  // A finished task's result: in "result/" beside the foreground, like every output.
  const std::string foreground = task::Unquote(r.foregroundPath);
  const std::string results = foreground.substr(0, foreground.rfind('/') + 1) + "result/";
  const std::string& done = r.finalOutputPath;
  if (!done.empty() && (done.compare(0, results.size(), results) != 0 || done.size() == results.size() ||
                        done.find_first_of("/\"", results.size()) != std::string::npos))
    return Named("输出文件", done, "不在前景文件旁的 result 文件夹中");
  if (!IsClock(r.outputDuration)) return Named("视频时长", r.outputDuration, "不是时长");
  if (!r.ticked(task::kTickAutoBitrate) &&
      (r.bitrate.size() > 9 || !AllDigits(r.bitrate, 0, r.bitrate.size())))
    return Named("码率", r.bitrate, "不是数字");
  if (!r.encoderPreset.empty() && !task::IsEncoderPreset(r.encoderPreset))
    return Named("编码速度", r.encoderPreset, "不是 x264 的预设（ultrafast 到 veryslow）");
  if (std::string p = task::TargetSettingsProblem(r.target); !p.empty()) return "发布目标：" + p;
  if (std::string p = task::SeveralOutputsProblem(r); !p.empty()) return p;
  if (std::string p = task::BandTextsProblem(r.bandTexts); !p.empty()) return p;
  if (r.logo.used() && r.logo.kind != task::kKindStill && r.logo.kind != task::kKindGif)
    return "Logo 类型（" + std::to_string(r.logo.kind) + "）不是图片或 GIF 动画";
  if (!IsFrameRate(r.foregroundFps)) return Named("前景帧率", r.foregroundFps, "不是数字");
  if (r.foregroundAudioCodec.size() > 32 ||
      r.foregroundAudioCodec.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos)
    return Named("前景音频编码", r.foregroundAudioCodec, "不是编码名");

  const Range ranges[] = {
      {"输出宽度", r.outputWidth, task::kMinimumOutputSize, kMaximumOutputSize},
      {"输出高度", r.outputHeight, task::kMinimumOutputSize, kMaximumOutputSize},
      {"前景宽度", r.foregroundWidth, 0, kMaximumMediaSize},
      {"前景高度", r.foregroundHeight, 0, kMaximumMediaSize},
      {"背景宽度", r.backgroundWidth, 0, kMaximumMediaSize},
      {"背景高度", r.backgroundHeight, 0, kMaximumMediaSize},
      {"动画宽度", r.animationWidth, 0, kMaximumMediaSize},
      {"动画高度", r.animationHeight, 0, kMaximumMediaSize},
      {"建议宽度", r.suggestedWidth, 0, kMaximumMediaSize},
      {"建议高度", r.suggestedHeight, 0, kMaximumMediaSize},
      {"前景类型", r.foregroundKind, 0, 10},
      {"背景类型", r.backgroundKind, 0, 10},
      {"动画类型", r.animationKind, 0, 10},
      {"音乐类型", r.audioKind, 0, 10},
      {"前景计数上限", r.foregroundCountMax, 0, task::kMaxForegroundCopies},
      {"前景计数", r.selectedForegroundCount, -1, task::kMaxForegroundCopies - 1},
      {"宽高比例", r.ratioIndex, -1, task::kRatioItemCount - 1},
      {"动画滤镜", r.blendModeIndex, 0, task::kBlendModeCount - 1},
      {"背景模糊", r.backgroundBlur, 0, 10},
      {"动画模糊", r.animationBlur, 0, 10},
      {"动画透明", r.animationOpacity, 0, 9},
      {"Logo 大小", r.logo.size, task::kLogoSizeMin, task::kLogoSizeMax},
      {"Logo 边距", r.logo.margin, task::kLogoMarginMin, task::kLogoMarginMax},
      {"Logo 不透明度", r.logo.opacity, task::kLogoOpacityMin, task::kLogoOpacityMax},
  };
  for (const Range& range : ranges)
    if (std::string p = RangeProblem(range); !p.empty()) return p;
  if (std::string p = FollowProblem(r); !p.empty()) return p;
  if (!AllSwitches(r.ticks) || !AllSwitches(r.disabled)) return "开关状态不是 0 或 1";
  return "";
}

std::vector<std::string> RunWords(const TaskRecord& stored, const task::BuildEnvironment& env,
                                  std::vector<task::BandTextFile>* textFiles) {
  TaskRecord copy = stored;  // the build may adjust the record (a background that is gone)
  task::BuildResult built = task::BuildCommand(copy, task::BuildMode::Full, env);
  if (textFiles) *textFiles = std::move(built.textFiles);
  return probe::SplitArguments(built.text);
}

StoredCommand CompareStoredCommand(const TaskRecord& stored, const EffectFilters& local) {
  const std::string kept = WithoutOutput(stored.commandLine);
  if (kept == Rebuilt(stored, local)) return StoredCommand::Same;
  // The same build with a mark where each effect filter goes; a mark byte no path or
  // filter holds.
  constexpr char kMark = '\x01';
  const std::string pattern = Rebuilt(stored, {{{kMark}, {kMark}, {kMark}, {kMark}}});
  return MatchesWithAnyEffects(kept, pattern, kMark) ? StoredCommand::OtherEffects : StoredCommand::Differs;
}

std::string StoredCommandNotice(const std::string& list, const std::vector<StoredCommand>& tasks) {
  std::vector<int> effects, others;
  for (size_t i = 0; i < tasks.size(); ++i) {
    if (tasks[i] == StoredCommand::OtherEffects) effects.push_back(int(i) + 1);
    if (tasks[i] == StoredCommand::Differs) others.push_back(int(i) + 1);
  }
  if (effects.empty() && others.empty()) return "";
  std::string s = "任务列表文件“" + list + "”：";
  if (!effects.empty()) s += TaskNumbers(effects) + "带有与本机 de.ini 不同的特效滤镜，改用本机的特效滤镜";
  if (!effects.empty() && !others.empty()) s += "；";
  if (!others.empty()) s += TaskNumbers(others) + "保存的转换命令与其设置不符，改用按其设置生成的命令";
  return s + "。";
}

}  // namespace pipeline
