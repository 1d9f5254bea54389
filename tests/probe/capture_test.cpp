// The probe read loop against small shell children: the converter cannot be made to stay
// silent, print zero bytes or flood the pipe on demand, so these stand in for it here.
#include "probe/capture.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/media.h"

using namespace probe;

namespace {

plat::Child Shell(const std::string& script) {
  plat::Child c = plat::StartWithCapture({"/bin/sh", "-c", script});
  EXPECT_TRUE(c.started()) << script;
  return c;
}

// The child is neither running nor a zombie: it has been reaped.
void ExpectReaped(pid_t pid) {
  ASSERT_GT(pid, 0);
  EXPECT_EQ(plat::ProcessState(pid), 0) << "process " << pid << " is still listed";
  int status;
  errno = 0;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

struct Collector {
  std::vector<std::string> chunks;
  Verdict answer = Verdict::NotYet;
  ChunkConsumer consumer() {
    return [this](const std::string& c) {
      chunks.push_back(c);
      return answer;
    };
  }
  std::string joined() const {
    std::string all;
    for (const auto& c : chunks) all += c;
    return all;
  }
};

}  // namespace

TEST(ProbeCapture, SilentChildEndsAfterElevenIdlePollsWithoutAChunk) {
  plat::Child c = Shell("sleep 1.5");
  Collector got;
  CaptureReport r = ProbeReadLoop(c, got.consumer());
  EXPECT_EQ(r.end, CaptureEnd::IdleLimit);
  EXPECT_EQ(r.chunks, 0);
  EXPECT_EQ(r.idlePolls, kIdleLimit);
  EXPECT_TRUE(got.chunks.empty());
  ExpectReaped(c.pid);
}

TEST(ProbeCapture, LongOutputArrivesInOrderInChunksOfAtMost4095Bytes) {
  std::string expected = testing_support::Capture("seq 1 4000");
  ASSERT_GT(expected.size(), 3u * 4095u);
  plat::Child c = Shell("seq 1 4000");
  Collector got;
  CaptureReport r = ProbeReadLoop(c, got.consumer());
  EXPECT_EQ(r.end, CaptureEnd::IdleLimit);
  EXPECT_GE(got.chunks.size(), 4u);
  EXPECT_EQ(r.chunks, int(got.chunks.size()));
  for (const auto& chunk : got.chunks) {
    EXPECT_LE(chunk.size(), 4095u);
    EXPECT_FALSE(chunk.empty());
  }
  EXPECT_EQ(got.joined(), expected);
  ExpectReaped(c.pid);
}

TEST(ProbeCapture, ZeroByteEndsTheChunkAndTheRestOfThatReadIsLost) {
  plat::Child c = Shell("printf 'Duration: 00:00:01\\000lost part\\n'");
  Collector got;
  ProbeReadLoop(c, got.consumer());
  ASSERT_EQ(got.chunks.size(), 1u);
  EXPECT_EQ(got.chunks[0], "Duration: 00:00:01");
  ExpectReaped(c.pid);
}

TEST(ProbeCapture, ConsumerThatNeverAnswersParsedReadsUntilTheOutputStops) {
  plat::Child c = Shell("for i in 1 2 3 4; do echo line$i; sleep 0.25; done");
  Collector got;
  CaptureReport r = ProbeReadLoop(c, got.consumer());
  EXPECT_EQ(r.end, CaptureEnd::IdleLimit);
  EXPECT_EQ(r.idlePolls, kIdleLimit);
  EXPECT_EQ(got.joined(), "line1\nline2\nline3\nline4\n");
  ExpectReaped(c.pid);
}

TEST(ProbeCapture, VerdictStopsReadingAndAStillRunningChildIsEnded) {
  struct Row { Verdict answer; CaptureEnd end; } rows[] = {
      {Verdict::Parsed, CaptureEnd::Parsed},
      {Verdict::Failed, CaptureEnd::Failed},
  };
  for (const auto& row : rows) {
    // The child would go on printing for a minute; the loop must neither read on nor leave
    // it running.
    plat::Child c = Shell("echo first; sleep 0.3; while :; do echo more; sleep 1; done");
    Collector got;
    got.answer = row.answer;
    CaptureReport r = ProbeReadLoop(c, got.consumer());
    EXPECT_EQ(r.end, row.end);
    ASSERT_EQ(got.chunks.size(), 1u);
    EXPECT_EQ(got.chunks[0], "first\n");
    ExpectReaped(c.pid);
  }
}

TEST(ProbeCapture, ChildThatCannotStartEndsAtTheIdleLimit) {
  plat::Child c = plat::StartWithCapture({"/nonexistent/program", "-i", "x"});
  Collector got;
  CaptureReport r = ProbeReadLoop(c, got.consumer());
  EXPECT_EQ(r.end, CaptureEnd::IdleLimit);
  EXPECT_EQ(r.chunks, 0);
  if (c.started()) ExpectReaped(c.pid);
}
