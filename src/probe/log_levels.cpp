#include "probe/log_levels.h"

#include <array>
#include <tuple>
#include <utility>

namespace probe {
namespace {

constexpr std::array<std::pair<std::string_view, LogLevel>, 8> kTags{{
    {"[panic] ", LogLevel::Panic},
    {"[fatal] ", LogLevel::Fatal},
    {"[error] ", LogLevel::Error},
    {"[warning] ", LogLevel::Warning},
    {"[info] ", LogLevel::Info},
    {"[verbose] ", LogLevel::Verbose},
    {"[debug] ", LogLevel::Debug},
    {"[trace] ", LogLevel::Trace},
}};

// The level tag at the start of `text`, with its length; Untagged when none stands there.
std::pair<LogLevel, size_t> LevelTagAt(std::string_view text) {
  for (const auto& [tag, level] : kTags)
    if (text.substr(0, tag.size()) == tag) return {level, tag.size()};
  return {LogLevel::Untagged, 0};
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    if (end > begin) visit(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

}  // namespace

LogLine ReadLogLine(std::string_view line) {
  auto [level, length] = LevelTagAt(line);
  if (level == LogLevel::Untagged && !line.empty() && line.front() == '[') {
    // "[component @ 0x...] " in front of the level tag.
    const size_t close = line.find("] ");
    if (close != std::string_view::npos && line.substr(0, close).find(" @ ") != std::string_view::npos) {
      const std::string_view rest = line.substr(close + 2);
      std::tie(level, length) = LevelTagAt(rest);
      if (level != LogLevel::Untagged) return {level, rest.substr(length)};
    }
    return {LogLevel::Untagged, line};
  }
  return {level, line.substr(length)};
}

bool HasLevelTags(std::string_view text) {
  bool found = false;
  ForEachLine(text, [&](std::string_view line) {
    if (!found) found = ReadLogLine(line).level != LogLevel::Untagged;
  });
  return found;
}

void CollectErrorLines(std::string_view text, std::vector<std::string>& into, size_t most) {
  ForEachLine(text, [&](std::string_view line) {
    const LogLine read = ReadLogLine(line);
    if (read.level == LogLevel::Untagged || read.level > LogLevel::Error || read.message.empty()) return;
    if (into.size() >= most) return;
    for (const std::string& k : into)
      if (k == read.message) return;
    into.emplace_back(read.message);
  });
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) {
    if (!joined.empty()) joined += '\n';
    joined += line;
  }
  return joined;
}

std::string ErrorLines(std::string_view text, size_t most) {
  std::vector<std::string> kept;
  CollectErrorLines(text, kept, most);
  return JoinLines(kept);
}

}  // namespace probe
