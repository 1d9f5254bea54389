#pragma once
// The converter's message levels. Started with "-loglevel level+info", ffmpeg tags every line
// with its level ("[error] ", "[warning] "), after the tag of the component that speaks
// ("[h264 @ 0x55d0c3a4f2c0] [error] ..."). A failure is read from those tags, never from a
// word inside a warning or an echoed file name.
#include <string>
#include <string_view>
#include <vector>

namespace probe {

// The arguments that ask for the tags, put in front of every converter run whose output is
// judged.
inline const std::vector<std::string> kLevelTagArguments{"-loglevel", "level+info"};

enum class LogLevel { Untagged, Panic, Fatal, Error, Warning, Info, Verbose, Debug, Trace };

struct LogLine {
  LogLevel level = LogLevel::Untagged;
  std::string_view message;  // the line after its tags, line break left out
};

// One line of converter output (without its line break): its level and message. A line
// without a level tag (a progress line printed directly, the part of a line cut by a read)
// is Untagged and its message is the whole line.
LogLine ReadLogLine(std::string_view line);

// True when some line of `text` carries a level tag.
bool HasLevelTags(std::string_view text);

// Adds to `into` the messages of the lines of `text` at level error or worse, in order, each
// message once, until `into` holds `most`. Lines end at "\r" or "\n".
void CollectErrorLines(std::string_view text, std::vector<std::string>& into, size_t most = 8);
// The same messages of `text` alone, joined with "\n"; "" when there are none.
std::string ErrorLines(std::string_view text, size_t most = 8);
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace probe
