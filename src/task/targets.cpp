#include "task/targets.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "task/control_rules.h"

namespace task {
namespace {

constexpr const char* kVideoCodecs[] = {"libx264", "libx265"};
constexpr const char* kAudioCodecs[] = {"aac", "libopus", "libmp3lame"};

template <size_t N>
bool OneOf(const std::string& value, const char* const (&list)[N]) {
  for (const char* item : list)
    if (value == item) return true;
  return false;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool IsName(std::string_view s) {
  if (s.empty() || s.size() > 40) return false;
  for (char c : s)
    if (!IsNameChar(c)) return false;
  return true;
}

// A whole number from `low` to `high`.
bool ParseNumber(const std::string& s, int low, int high, int& out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  const int v = std::atoi(s.c_str());
  if (v < low || v > high) return false;
  out = v;
  return true;
}

// One entry's key = value lines into a target; "" or what is wrong with them.
std::string MakeTarget(const std::string& name, const std::map<std::string, std::string>& values,
                       PublishTarget& t) {
  t.settings.name = name;
  for (const char* required : {"size", "video", "audio"})
    if (!values.count(required)) return std::string("缺少 ") + required;
  for (const auto& [key, value] : values) {
    bool ok = true;
    if (key == "label") {
      t.label = value;
    } else if (key == "source") {
      t.source = value;
    } else if (key == "size") {
      const size_t x = value.find('x');
      ok = x != std::string::npos && ParseNumber(value.substr(0, x), 96, 16384, t.width) &&
           ParseNumber(value.substr(x + 1), 96, 16384, t.height) && t.width % 2 == 0 && t.height % 2 == 0;
    } else if (key == "fps") {
      ok = ParseNumber(value, 1, 240, t.settings.maxFps);
    } else if (key == "video") {
      t.settings.videoCodec = value;
    } else if (key == "video-kbps") {
      ok = ParseNumber(value, 100, 1000000, t.settings.maxVideoKbps);
    } else if (key == "audio") {
      t.settings.audioCodec = value;
    } else if (key == "audio-kbps") {
      ok = ParseNumber(value, 8, 1024, t.settings.audioKbps);
    } else if (key == "faststart") {
      ok = value == "yes" || value == "no";
      t.settings.faststart = value == "yes";
    } else if (key == "max-seconds") {
      ok = ParseNumber(value, 1, 360000, t.maxSeconds);
    } else {
      return "未知的项“" + key + "”";
    }
    if (!ok) return key + " 的值“" + value + "”无效";
  }
  if (t.label.empty()) t.label = name;
  return TargetSettingsProblem(t.settings);
}

}  // namespace

TargetFile ParseTargets(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  TargetFile file;
  struct Entry {
    std::string name;
    int line = 0;
    std::map<std::string, std::string> values;
    std::string problem;
  };
  std::vector<Entry> entries;
  int lineNumber = 0;
  std::string stray;  // the first line outside any entry that is not blank or a comment
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      Entry e;
      e.line = lineNumber;
      e.name = std::string(line.substr(1, line.size() >= 2 && line.back() == ']' ? line.size() - 2 : 0));
      if (line.back() != ']' || !IsName(e.name)) {
        e.problem = "名称只能由字母、数字、- 和 _ 组成（至多 40 个）";
        if (e.name.empty()) e.name = std::string(line);
      }
      entries.push_back(std::move(e));
      continue;
    }
    const size_t equals = line.find('=');
    if (entries.empty()) {
      file.problems.push_back("第" + std::to_string(lineNumber) + "行不属于任何目标，已忽略");
      continue;
    }
    Entry& e = entries.back();
    if (!e.problem.empty()) continue;
    if (equals == std::string_view::npos) {
      e.problem = "第" + std::to_string(lineNumber) + "行不是“项 = 值”";
      continue;
    }
    const std::string key(Trimmed(line.substr(0, equals)));
    if (!e.values.emplace(key, std::string(Trimmed(line.substr(equals + 1)))).second)
      e.problem = "项“" + key + "”出现了两次";
  }
  for (Entry& e : entries) {
    PublishTarget t;
    if (e.problem.empty()) e.problem = MakeTarget(e.name, e.values, t);
    if (e.problem.empty() && FindTarget(file.targets, e.name)) e.problem = "与前面的目标同名";
    if (e.problem.empty()) {
      file.targets.push_back(std::move(t));
    } else {
      file.problems.push_back("发布目标“" + e.name + "”（第" + std::to_string(e.line) + "行）：" + e.problem +
                              "，已跳过");
    }
  }
  return file;
}

std::string TargetSettingsProblem(const TargetSettings& s) {
  if (!s.used()) return "";
  if (!IsName(s.name)) return "目标名称“" + s.name + "”无效";
  if (!OneOf(s.videoCodec, kVideoCodecs)) return "视频编码“" + s.videoCodec + "”不是 libx264 或 libx265";
  if (!OneOf(s.audioCodec, kAudioCodecs))
    return "音频编码“" + s.audioCodec + "”不是 aac、libopus 或 libmp3lame";
  if (s.maxFps < 0 || s.maxFps > 240) return "帧率上限不在 0 到 240 之间";
  if (s.maxVideoKbps < 0 || s.maxVideoKbps > 1000000) return "视频码率上限不在 0 到 1000000 之间";
  if (s.audioKbps < 0 || s.audioKbps > 1024) return "音频码率不在 0 到 1024 之间";
  return "";
}

const PublishTarget* FindTarget(const std::vector<PublishTarget>& targets, std::string_view name) {
  for (const PublishTarget& t : targets)
    if (t.settings.name == name) return &t;
  return nullptr;
}

std::string TargetVideoOptions(const TargetSettings& s, const std::string& foregroundFps,
                               const std::string& outputFormat) {
  if (!s.used()) return "";
  std::string r = " -c:v " + s.videoCodec + " -pix_fmt yuv420p";
  if (s.maxVideoKbps > 0)
    r += " -maxrate " + std::to_string(s.maxVideoKbps) + "k -bufsize " + std::to_string(2 * s.maxVideoKbps) +
         "k";
  if (s.maxFps > 0 && std::atof(foregroundFps.c_str()) > s.maxFps) r += " -r " + std::to_string(s.maxFps);
  if (s.faststart && (outputFormat == ".mp4" || outputFormat == ".mov" || outputFormat == ".m4v"))
    r += " -movflags +faststart";
  return r;
}

std::string TargetAudioOptions(const TargetSettings& s) {
  std::string r = " -c:a " + s.audioCodec;
  if (s.audioKbps > 0) r += " -b:a " + std::to_string(s.audioKbps) + "k";
  return r;
}

int RatioForTarget(int fgW, int fgH, int w, int h) {
  return double(fgW) * h >= double(fgH) * w ? kRatioPortrait9x16 : kRatioLandscape16x9;
}

std::string ClockText(int seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buffer;
}

}  // namespace task
