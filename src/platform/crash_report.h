#pragma once
// Reading a crash report (crash_text.h) back, and turning its raw stack into function names:
// the program's own frames are looked up with `addr2line -f -C` (binutils) by the reporter,
// never by the crashing process.
#include <cstdint>
#include <string>
#include <vector>

namespace crash {

// A report is a few KB; a file far larger, or no regular file, is not read as one.
inline constexpr int64_t kReportBytes = int64_t(1) << 20;
// The report's text; false with `why` (the limit named) when it cannot be read.
bool ReadReport(const std::string& path, std::string* text, std::string* why);

struct ReportFacts {
  std::string time, version, program, code, message, activity, ended;
  uintptr_t bias = 0, low = 0, high = 0;  // the program's load bias and address range
  std::vector<std::string> stack;         // raw frames, one a line
};
ReportFacts ParseReport(const std::string& text);

struct Frame {
  std::string raw;
  bool own = false;      // an address inside the program itself
  uintptr_t lookup = 0;  // for own frames: the address addr2line is asked about
  std::string function;  // demangled, "" when unknown
  std::string location;  // "file:line", "" when unknown
};
std::vector<Frame> StackFrames(const ReportFacts& report);

// The addr2line command for the own frames; empty when there are none.
std::vector<std::string> Addr2lineCommand(const std::string& addr2line, const ReportFacts& report,
                                          const std::vector<Frame>& frames);
// Fills the own frames, in order, from addr2line's output (two lines per address).
void ApplyAddr2line(std::vector<Frame>& frames, const std::string& output);
// Runs addr2line (found on PATH) on the own frames; frames stay raw when it is missing.
void Symbolize(const ReportFacts& report, std::vector<Frame>& frames);

// The stack for people: "#N function (file:line)" for named frames, the raw line otherwise;
// the crash handler's own frames at the top are left out.
std::string StackText(const std::vector<Frame>& frames);

}  // namespace crash
