#include "probe/capture.h"

#include <chrono>
#include <cstring>

namespace probe {
namespace {

constexpr int kSettleMs = 10;

}  // namespace

int WaitingBurst(int fd) {
  int n = plat::BytesWaiting(fd);
  if (n <= 0) return n;
  for (int waited = 0; n < kMaxRead && waited < kPollMs; waited += kSettleMs) {
    if (plat::WaitForPipeClosed(fd, kSettleMs)) return plat::BytesWaiting(fd);
    int now = plat::BytesWaiting(fd);
    if (now <= n) break;  // the burst has ended
    n = now;
  }
  return n;
}

CaptureReport ProbeReadLoop(const plat::Child& child, const ChunkConsumer& consumer, int timeLimitMs,
                            int idleLimit) {
  CaptureReport report;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
  const int fd = child.readFd;
  char buffer[kMaxRead + 1];
  int idle = 0;
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) {
      report.end = CaptureEnd::TimeLimit;
      plat::KillProcess(child.pid);
      break;
    }
    int waiting = fd < 0 ? -1 : WaitingBurst(fd);
    if (waiting <= 0) {
      // Nothing to read. Only silence after the child has closed its side counts: on a busy
      // machine or slow storage a converter may think for seconds between its banner and the
      // description, and a child that hangs silently is ended by the time limit.
      const bool closed = fd < 0 || plat::WaitForPipeClosed(fd, kPollMs);
      if (closed && ++idle >= idleLimit) break;
      continue;
    }
    idle = 0;
    std::memset(buffer, 0, sizeof buffer);
    int got = plat::ReadSome(fd, buffer, kMaxRead);
    // The chunk ends at the first zero byte; a failed read gives an empty chunk.
    std::string chunk = got > 0 ? std::string(buffer, strnlen(buffer, size_t(got))) : std::string();
    ++report.chunks;
    Verdict v = consumer(chunk);
    if (v == Verdict::Failed) {
      report.end = CaptureEnd::Failed;
      break;
    }
    if (v == Verdict::Parsed) {
      report.end = CaptureEnd::Parsed;
      break;
    }
    plat::WaitForPipeClosed(fd, kPollMs);
  }
  report.idlePolls = idle;
  plat::CloseFd(fd);
  plat::ReapChild(child.pid, kReapGraceMs);
  return report;
}

}  // namespace probe
