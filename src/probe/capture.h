#pragma once
// Console capture: reads what a child prints (standard output and standard error joined in
// one pipe) chunk by chunk and hands each chunk to a consumer until the consumer has its
// answer or the child stays silent too long. Afterwards the pipe is closed and the child
// reaped, so no process entry stays behind.
#include <functional>
#include <string>

#include "platform/platform.h"
#include "probe/stream_info.h"

namespace probe {

constexpr int kPollMs = 100;        // pause between polls of an idle pipe
constexpr int kMaxRead = 4095;      // bytes taken by one read at most
constexpr int kIdleLimit = 11;      // empty polls in a row, once the child closed its side, that end the loop
constexpr int kReapGraceMs = 1000;  // a child still running after the loop is killed then
// A child that keeps printing without a verdict ends the loop here, with no verdict, like
// one that fell silent; it is killed at once.
constexpr int kTimeLimitMs = 30000;

using ChunkConsumer = std::function<Verdict(const std::string& chunk)>;

enum class CaptureEnd { Failed, Parsed, IdleLimit, TimeLimit };

struct CaptureReport {
  CaptureEnd end = CaptureEnd::IdleLimit;
  int chunks = 0;     // chunks handed to the consumer
  int idlePolls = 0;  // consecutive empty polls when the loop ended
};

// Bytes that can be read now from the pipe `fd`. While the child is still writing a burst it
// gets a moment (up to kPollMs) to finish, so that lines written together are read together:
// each chunk is judged on its own. At once when the child has closed its side or a full read
// is waiting; -1 on error.
int WaitingBurst(int fd);

// The probe read loop. Takes over `child`: closes its read end and reaps it before returning
// (a child that has not ended kReapGraceMs after the loop is killed). A child that was not
// started ends at the idle limit without a chunk. The loop never lasts much longer than
// `timeLimitMs`. `idleLimit` empty polls in a row end it.
CaptureReport ProbeReadLoop(const plat::Child& child, const ChunkConsumer& consumer,
                            int timeLimitMs = kTimeLimitMs, int idleLimit = kIdleLimit);

}  // namespace probe
