// What the task worker writes into a row for each chunk of output: the thresholds of the
// progress time and the percentage, the repeated-chunk skip and the failure excerpt.
#include <gtest/gtest.h>

#include <string>

#include "batch/task_worker.h"

namespace {

using batch::ChunkVerdict;
using batch::OutputFollower;

std::string Line(const char* time, const char* speed) {
  return std::string("frame=   10 fps=0.0 q=28.0 size=  1kB time=") + time + " bitrate=N/A speed=" + speed +
         "x    \r";
}

TEST(OutputFollower, StateAndSpeedByProgressTime) {
  const struct {
    int duration;
    std::string chunk;
    std::optional<std::string> state, speed;
  } cases[] = {
      {60, Line("00:00:00.05", "0.5"), "准备数据", std::nullopt},  // below 0.1 s: no speed
      {60, Line("00:00:00.10", "0.5"), "0.17％", "0.5"},           // 0.1 counts as started
      {60, Line("00:00:30.00", " 2"), "50％", " 2"},
      {60, Line("00:01:00.00", "3"), "100％", "3"},
      {60, Line("00:01:00.05", "3"), std::nullopt, "3"},  // above 100: the speed only
      {0, Line("00:00:30.00", "3"), std::nullopt, "3"},   // no duration: never a percentage
      {3, Line("00:00:01.00", "3"), "33.33％", "3"},
  };
  for (const auto& c : cases) {
    OutputFollower follower(c.duration);
    const ChunkVerdict v = follower.Examine(c.chunk);
    EXPECT_TRUE(v.progress) << c.chunk;
    EXPECT_FALSE(v.repeated);
    EXPECT_FALSE(v.errors);
    EXPECT_EQ(v.state, c.state) << c.chunk;
    EXPECT_EQ(v.speed, c.speed) << c.chunk;
  }
}

TEST(OutputFollower, RepeatedProgressChunkIsIgnored) {
  OutputFollower follower(10);
  const std::string a = Line("00:00:02.00", "1");
  EXPECT_EQ(follower.Examine(a).state, "20％");
  const ChunkVerdict again = follower.Examine(a);
  EXPECT_TRUE(again.repeated);
  EXPECT_FALSE(again.state.has_value());
  EXPECT_FALSE(again.speed.has_value());

  // A chunk without progress does not replace the chunk compared against.
  EXPECT_FALSE(follower.Examine("[aac @ 0x1] Qavg: 1\n").repeated);
  EXPECT_TRUE(follower.Examine(a).repeated);

  // Only bytes up to the first zero byte belong to the chunk.
  const std::string b = Line("00:00:05.00", "1");
  const ChunkVerdict withZero = follower.Examine(b + std::string(1, '\0') + "junk invalid");
  EXPECT_EQ(withZero.state, "50％");
  EXPECT_FALSE(withZero.errors);
  EXPECT_DOUBLE_EQ(follower.progressSeconds(), 5);
}

TEST(OutputFollower, ErrorLinesAreGatheredAcrossReadsAndProgressGoesOn) {
  OutputFollower follower(10);
  // A warning holding "Invalid" is no error; a marked error line cut by a read counts once
  // the rest of it arrives; progress is still shown (the exit status decides the task).
  EXPECT_FALSE(follower.Examine("[sws @ 0x1] [warning] Invalid pixel aspect ratio\n[out @ 0x1] [err").errors);
  const ChunkVerdict v = follower.Examine("or] Invalid argument\n" + Line("00:00:02.00", "1"));
  EXPECT_TRUE(v.errors);
  EXPECT_TRUE(v.progress);
  EXPECT_EQ(v.state, "20％");
  follower.Examine("[fatal] Conversion failed!\n");
  EXPECT_EQ(follower.errors(), "Invalid argument\nConversion failed!");

  // The tail keeps the end of long output.
  OutputFollower longOutput(0);
  std::string line(200, 'a');
  line += '\n';  // appended, not summed: gcc 12 misreads the sum (-Wstringop-overflow)
  for (int i = 0; i < 100; ++i) longOutput.Examine(line);
  longOutput.Examine("Conversion failed!\n");
  EXPECT_LE(longOutput.tail().size(), 8192u);
  EXPECT_EQ(longOutput.tail().substr(longOutput.tail().size() - 19), "Conversion failed!\n");

  // The row text of a failure: translated, on one line.
  EXPECT_EQ(batch::OutputErrorState("Invalid argument\r"), "输出错误(格式无效)");
  EXPECT_EQ(batch::OutputErrorState("a\nb\r\nConversion failed!"), "输出错误(ab转换失败!)");
}

TEST(OutputFollower, OnlyTemporaryOutputsMayBeDeleted) {
  const struct {
    const char* path;
    bool temporary;
  } cases[] = {
      {"/v/result/clip_tmp.mp4", true},  {"/v/result/clip_tmp_3.mp4", true}, {"/v/result/clip.mp4", false},
      {"/v_tmp/result/clip.mp4", false}, {"result/clip_tmp.mp4", false},     {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(batch::IsTemporaryOutput(c.path), c.temporary) << c.path;
}

}  // namespace
