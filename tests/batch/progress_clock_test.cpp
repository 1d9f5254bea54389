// Speed without paused time, time left and the log tail, from recorded converter output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/log_tail.h"
#include "batch/progress_clock.h"

using namespace batch;
using std::chrono::milliseconds;

namespace {

// A progress line as ffmpeg 5 prints it once a second, ended by a carriage return.
std::string Line(const char* time, const char* speed) {
  return std::string("frame=  250 fps= 50 q=29.0 size=     512kB time=") + time +
         " bitrate= 419.4kbits/s dup=0 drop=0 speed=" + speed + "x    \r";
}

struct Step {
  int atMs;
  enum { Chunk, Pause, Resume } what;
  const char* time = nullptr;  // progress time of a chunk
  const char* speed = "1";     // ffmpeg's own speed, which counts paused time
};

struct ClockCase {
  const char* name;
  int duration;
  std::vector<Step> steps;
  int askMs;
  double speed, secondsLeft;
  const char* leftText;
};

}  // namespace

TEST(ProgressClock, SpeedLeavesOutPausedTimeAndTimeLeftFollowsIt) {
  const std::vector<ClockCase> cases = {
      {"steady double speed",
       60,
       {{1000, Step::Chunk, "00:00:02.00"}, {5000, Step::Chunk, "00:00:10.00"}},
       5000,
       2.0,
       25.0,
       "剩余 00:00:25"},
      // 4 s running, 60 s paused, 1 s running: ffmpeg's own speed says 0.11x.
      {"a pause is not running time",
       100,
       {{4000, Step::Chunk, "00:00:04.00"},
        {4000, Step::Pause},
        {64000, Step::Chunk, "00:00:04.00", "0.0625"},
        {64000, Step::Resume},
        {65000, Step::Chunk, "00:00:07.50", "0.115"}},
       65000,
       1.5,
       61.667,
       "剩余 00:01:02"},
      {"time left runs down between lines",
       30,
       {{2000, Step::Chunk, "00:00:03.00"}},
       4500,
       1.5,
       15.5,
       "剩余 00:00:16"},
      {"frozen while paused",
       30,
       {{2000, Step::Chunk, "00:00:03.00"}, {2500, Step::Pause}},
       90000,
       1.5,
       17.5,
       "剩余 00:00:18"},
      {"past the end is nothing left",
       10,
       {{4000, Step::Chunk, "00:00:12.00"}},
       4000,
       3.0,
       0,
       "剩余 00:00:00"},
      {"hours", 7200, {{10000, Step::Chunk, "00:00:05.00"}}, 10000, 0.5, 14390, "剩余 03:59:50"},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgressClock::TimePoint t0{};
    ProgressClock clock(c.duration, t0);
    for (const Step& s : c.steps) {
      const auto at = t0 + milliseconds(s.atMs);
      if (s.what == Step::Pause) clock.Pause(at);
      if (s.what == Step::Resume) clock.Resume(at);
      if (s.what == Step::Chunk) clock.Observe(Line(s.time, s.speed), at);
    }
    ASSERT_TRUE(clock.Speed().has_value());
    EXPECT_NEAR(*clock.Speed(), c.speed, 1e-3);
    const auto left = clock.SecondsLeft(t0 + milliseconds(c.askMs));
    ASSERT_TRUE(left.has_value());
    EXPECT_NEAR(*left, c.secondsLeft, 1e-3);
    EXPECT_EQ(TimeLeftText(*left), c.leftText);
  }
}

TEST(ProgressClock, NothingKnownBeforeAProgressLineOrWithoutADuration) {
  const ProgressClock::TimePoint t0{};
  ProgressClock clock(60, t0);
  clock.Observe("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'a.mp4':\n", t0 + milliseconds(800));
  EXPECT_FALSE(clock.Speed().has_value());
  EXPECT_FALSE(clock.SecondsLeft(t0 + milliseconds(900)).has_value());
  clock.Observe(Line("00:00:30.00", "15"), t0 + milliseconds(2000));
  EXPECT_DOUBLE_EQ(clock.Fraction(), 0.5);
  ProgressClock unknown(0, t0);
  unknown.Observe(Line("00:00:30.00", "15"), t0 + milliseconds(2000));
  EXPECT_FALSE(unknown.SecondsLeft(t0 + milliseconds(2000)).has_value());
  EXPECT_EQ(unknown.Fraction(), 0);
  EXPECT_EQ(SpeedFigureText(1.5), "1.5x");
  EXPECT_EQ(SpeedFigureText(2.0 / 3), "0.67x");
}

TEST(LogTail, KeepsTheLastLinesAcrossChunksAndOnlyTheLatestProgressLine) {
  LogTail tail(3);
  tail.Append("Input #0, mov, from 'a.mp4':\n  Dura");
  tail.Append("tion: 00:00:05.00\r\n");
  EXPECT_EQ(tail.Text(), "Input #0, mov, from 'a.mp4':\n  Duration: 00:00:05.00\n");
  tail.Append(Line("00:00:01.00", "1"));
  tail.Append(Line("00:00:02.00", "1"));
  EXPECT_EQ(tail.lineCount(), 3u) << tail.Text();
  tail.Append(std::string("[aac @ 0x1] Invalid data found\n\0garbage", 40));
  EXPECT_EQ(tail.Text(), "  Duration: 00:00:05.00\n" +
                             Line("00:00:02.00", "1").substr(0, Line("00:00:02.00", "1").size() - 1) +
                             "\n[aac @ 0x1] Invalid data found\n");
  tail.Append("Conversion failed!");
  EXPECT_EQ(tail.lineCount(), 3u);
  EXPECT_EQ(tail.Text().substr(tail.Text().size() - 19), "Conversion failed!\n");
}
