#include "probe/probe_file.h"

#include "probe/capture.h"
#include "probe/converter.h"
#include "probe/log_levels.h"

namespace probe {

std::string LineAround(const std::string& chunk, int pos) {
  if (pos < 1 || size_t(pos) > chunk.size()) return {};
  size_t at = size_t(pos - 1);
  size_t begin = chunk.rfind('\n', at);
  begin = begin == std::string::npos ? 0 : begin + 1;
  size_t end = chunk.find('\n', at);
  std::string line = chunk.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  size_t lead = line.find_first_not_of(' ');
  return lead == std::string::npos ? std::string() : line.substr(lead);
}

ProbeOutcome ProbeFile(const std::string& path, int patienceMs) {
  ProbeOutcome out;
  if (ConverterPath().empty()) {
    out.status = ProbeStatus::MissingConverter;
    return out;
  }
  std::vector<std::string> args{"-hide_banner"};
  args.insert(args.end(), kLevelTagArguments.begin(), kLevelTagArguments.end());
  args.insert(args.end(), {"-i", path});
  plat::Child child = StartConverter(args);
  ProbeReadLoop(
      child,
      [&](const std::string& chunk) {
        Examination e = ExamineChunk(chunk);
        if (e.verdict == Verdict::Failed) {
          out.status = ProbeStatus::Failed;
          out.failureLine = std::string(ReadLogLine(LineAround(chunk, e.failurePos)).message);
        } else if (e.verdict == Verdict::Parsed) {
          out.status = ProbeStatus::Parsed;
          out.info = ReadMediaInfo(chunk, e.durationPos, path);
        }
        return e.verdict;
      },
      patienceMs > 0 ? patienceMs : kTimeLimitMs, patienceMs > 0 ? patienceMs / kPollMs : kIdleLimit);
  return out;
}

}  // namespace probe
