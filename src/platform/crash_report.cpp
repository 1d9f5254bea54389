#include "platform/crash_report.h"

#include <cstdlib>
#include <sstream>

#include "platform/crash_text.h"
#include "platform/platform.h"

namespace crash {

bool ReadReport(const std::string& path, std::string* text, std::string* why) {
  return plat::ReadFile(path, text, why, kReportBytes);
}
namespace {

bool TakeValue(const std::string& line, const char* key, std::string* value) {
  const std::string k = key;
  if (line.compare(0, k.size(), k) != 0) return false;
  *value = line.substr(k.size());
  return true;
}

uintptr_t Hex(const std::string& text) { return uintptr_t(std::strtoull(text.c_str(), nullptr, 16)); }

std::string HexText(uintptr_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

}  // namespace

ReportFacts ParseReport(const std::string& text) {
  ReportFacts r;
  std::istringstream lines(text);
  std::string line, value;
  enum { Head, Activity, Stack } part = Head;
  while (std::getline(lines, line)) {
    if (part == Stack) {
      if (!line.empty()) r.stack.push_back(line);
    } else if (line == kStackKey) {
      part = Stack;
    } else if (line == kActivityKey) {
      part = Activity;
    } else if (TakeValue(line, kEndedKey, &r.ended)) {
      part = Head;
    } else if (part == Activity) {
      r.activity += line + "\n";
    } else if (TakeValue(line, kTimeKey, &r.time) || TakeValue(line, kVersionKey, &r.version) ||
               TakeValue(line, kProgramKey, &r.program) || TakeValue(line, kCodeKey, &r.code) ||
               TakeValue(line, kMessageKey, &r.message)) {
    } else if (TakeValue(line, kBiasKey, &value)) {
      r.bias = Hex(value);
    } else if (TakeValue(line, kRangeKey, &value)) {
      const size_t dash = value.find('-');
      r.low = Hex(value.substr(0, dash));
      r.high = dash == std::string::npos ? 0 : Hex(value.substr(dash + 1));
    }
  }
  return r;
}

std::vector<Frame> StackFrames(const ReportFacts& report) {
  std::vector<Frame> frames;
  for (const std::string& line : report.stack) {
    Frame f;
    f.raw = line;
    // backtrace_symbols_fd ends each line with "[0xADDRESS]".
    const size_t open = line.rfind("[0x");
    if (open != std::string::npos && line.back() == ']') {
      const uintptr_t address = Hex(line.substr(open + 1));
      // A return address points after its call: one byte back lies inside the call.
      f.own = address > report.low && address < report.high;
      if (f.own) f.lookup = address - report.bias - 1;
    }
    frames.push_back(f);
  }
  return frames;
}

std::vector<std::string> Addr2lineCommand(const std::string& addr2line, const ReportFacts& report,
                                          const std::vector<Frame>& frames) {
  std::vector<std::string> argv = {addr2line, "-f", "-C", "-e", report.program};
  for (const Frame& f : frames)
    if (f.own) argv.push_back(HexText(f.lookup));
  return argv.size() > 5 ? argv : std::vector<std::string>{};
}

void ApplyAddr2line(std::vector<Frame>& frames, const std::string& output) {
  std::istringstream lines(output);
  for (Frame& f : frames) {
    if (!f.own) continue;
    std::string function, location;
    if (!std::getline(lines, function) || !std::getline(lines, location)) return;
    if (function != "??") f.function = function;
    // "??:0", "??:?" or "file:?" when the build carries no line table for it.
    if (location.rfind("??", 0) != 0 && !location.ends_with(":?") && !location.ends_with(":0"))
      f.location = location;
  }
}

void Symbolize(const ReportFacts& report, std::vector<Frame>& frames) {
  const std::vector<std::string> argv = Addr2lineCommand(plat::FindOnPath("addr2line"), report, frames);
  if (argv.empty() || argv[0].empty()) return;
  const plat::Child child = plat::StartWithCapture(argv);
  if (!child.started()) return;
  std::string output;
  char buffer[4096];
  for (int n; (n = plat::ReadSome(child.readFd, buffer, sizeof buffer)) > 0;)
    output.append(buffer, size_t(n));
  plat::CloseFd(child.readFd);
  plat::ReapChild(child.pid, 5000);
  ApplyAddr2line(frames, output);
}

std::string StackText(const std::vector<Frame>& frames) {
  // The handler's own frames at the top are hidden, with any foreign frame among them (the
  // sanitizer build's backtrace interceptor stands above them).
  auto handler = [](const Frame& f) {
    return f.own && f.function.starts_with("crash::") && !f.function.starts_with("crash::CrashOnPurpose");
  };
  size_t first = 0;
  for (size_t i = 0; i < frames.size() && (handler(frames[i]) || !frames[i].own); ++i)
    if (handler(frames[i])) first = i + 1;
  std::string text;
  for (size_t i = first; i < frames.size(); ++i) {
    const Frame& f = frames[i];
    text += '#';
    text += std::to_string(i - first);
    text += "  ";
    if (f.function.empty()) {
      text += f.raw;
    } else {
      text += f.function;
      if (!f.location.empty()) text += "  (" + f.location + ")";
    }
    text += "\n";
  }
  return text;
}

}  // namespace crash
