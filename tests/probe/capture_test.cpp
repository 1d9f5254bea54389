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

// Runs the loop on `script`; the consumer keeps every chunk and answers `answer`.
struct Capture {
  std::vector<std::string> chunks;
  CaptureReport report;
  pid_t pid = -1;
  std::string joined() const {
    std::string all;
    for (const auto& c : chunks) all += c;
    return all;
  }
};

Capture RunLoop(const std::vector<std::string>& argv, Verdict answer = Verdict::NotYet) {
  Capture got;
  plat::Child c = plat::StartWithCapture(argv);
  got.pid = c.pid;
  got.report = ProbeReadLoop(c, [&](const std::string& chunk) {
    got.chunks.push_back(chunk);
    return answer;
  });
  return got;
}
Capture Shell(const std::string& script, Verdict answer = Verdict::NotYet) {
  return RunLoop({"/bin/sh", "-c", script}, answer);
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

}  // namespace

// A consumer that never answers "parsed" reads until the output has stopped for 11 polls.
TEST(ProbeCapture, EndsAfterElevenIdlePollsWithEverythingInOrderInChunksOfAtMost4095) {
  const struct {
    const char* name;
    std::string script, output;
    size_t minChunks;
  } rows[] = {
      {"silent for 1.5 s", "sleep 1.5", "", 0},
      {"more than 4095 bytes waiting", "seq 1 4000", testing_support::Capture("seq 1 4000"), 4},
      {"slow printer", "for i in 1 2 3 4; do echo line$i; sleep 0.25; done", "line1\nline2\nline3\nline4\n",
       1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const Capture got = Shell(r.script);
    EXPECT_EQ(got.report.end, CaptureEnd::IdleLimit);
    EXPECT_EQ(got.report.idlePolls, kIdleLimit);
    EXPECT_EQ(got.report.chunks, int(got.chunks.size()));
    EXPECT_GE(got.chunks.size(), r.minChunks);
    for (const auto& chunk : got.chunks) {
      EXPECT_LE(chunk.size(), 4095u);
      EXPECT_FALSE(chunk.empty());
    }
    EXPECT_EQ(got.joined(), r.output);
    ExpectReaped(got.pid);
  }
}

TEST(ProbeCapture, ZeroByteEndsTheChunkAndTheRestOfThatReadIsLost) {
  const Capture got = Shell("printf 'Duration: 00:00:01\\000lost part\\n'");
  ASSERT_EQ(got.chunks.size(), 1u);
  EXPECT_EQ(got.chunks[0], "Duration: 00:00:01");
  ExpectReaped(got.pid);
}

TEST(ProbeCapture, VerdictStopsReadingAndAStillRunningChildIsEnded) {
  for (auto [answer, end] :
       {std::pair{Verdict::Parsed, CaptureEnd::Parsed}, std::pair{Verdict::Failed, CaptureEnd::Failed}}) {
    // The child would go on printing for ever; the loop must neither read on nor leave it running.
    const Capture got = Shell("echo first; sleep 0.3; while :; do echo more; sleep 1; done", answer);
    EXPECT_EQ(got.report.end, end);
    EXPECT_EQ(got.chunks, std::vector<std::string>{"first\n"});
    ExpectReaped(got.pid);
  }
}

TEST(ProbeCapture, ChildThatCannotStartEndsAtTheIdleLimit) {
  const Capture got = RunLoop({"/nonexistent/program", "-i", "x"});
  EXPECT_EQ(got.report.end, CaptureEnd::IdleLimit);
  EXPECT_EQ(got.report.chunks, 0);
  if (got.pid > 0) ExpectReaped(got.pid);
}

// A child that prints for ever without a verdict (the real converter cannot be made to) ends
// the loop at its time limit with no verdict, and is ended and reaped.
TEST(ProbeCapture, ChildThatNeverStopsPrintingEndsAtTheTimeLimit) {
  Capture got;
  plat::Child c = plat::StartWithCapture({"/bin/sh", "-c", "while :; do echo 'frame= no verdict'; done"});
  got.pid = c.pid;
  got.report = ProbeReadLoop(
      c,
      [&](const std::string&) {
        ++got.report.chunks;
        return Verdict::NotYet;
      },
      1500);
  EXPECT_EQ(got.report.end, CaptureEnd::TimeLimit);
  EXPECT_GT(got.report.chunks, 1);
  ExpectReaped(got.pid);
}
