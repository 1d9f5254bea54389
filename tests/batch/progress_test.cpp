// The text functions that read a task's arguments and the converter's output, on the edge
// cases that break them and on progress lines that ffmpeg 5.1 printed on this machine.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "batch/progress.h"
#include "platform/platform.h"
#include "probe/log_levels.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace {

using namespace batch;

TEST(ProgressArguments, OutputFileIsTheLastQuotedItem) {
  const struct {
    const char* arguments;
    const char* output;
  } cases[] = {
      {R"(-i "/v/a b.mp4" -to 00:00:05 -filter_complex "[0:v]crop=1:1" -y "/a b/result/x_tmp.mov")",
       "/a b/result/x_tmp.mov"},
      {R"(-i "/v/clip.mp4" -y "/v/result/clip_tmp.mp4" )", "/v/result/clip_tmp.mp4"},  // trailing blank
      {R"(-i "/v/clip.mp4" -y "")", ""},
      {R"(-i /v/clip.mp4 -y /v/out.mp4)", ""},  // no quotes at all: nothing to delete or rename
      {R"(-y "/v/only_one_quote.mp4)", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputFile(c.arguments), c.output) << c.arguments;
}

TEST(ProgressArguments, TaskDurationFollowsTheFirstQuotedInput) {
  const struct {
    const char* arguments;
    int seconds;
  } cases[] = {
      {R"(-i "/v/a.mp4" -to 00:01:30.500 -filter_complex "x" -y "/o.mp4")", 90},
      {R"(-i "/v/a.mp4" -to 01:00:00.000 -y "/o.mp4")", 3600},
      {R"(-i "/v/a.mp4" -i "/v/b.mp4" -to 00:00:59 -y "/o.mp4")", 59},
      {R"(-i "/v/a.mp4" -to 00:00:00.001 -y "/o.mp4")", 0},  // the trial's clause
      {R"(-i "/v/a.mp4" -y "/o.mp4")", 0},                   // no end of range
      {R"(-i /v/a.mp4 -to 00:00:10 -y "/o.mp4")", 0},        // -to not after a quoted input
      {R"(-i "/v/a.mp4" -to 1:30 -y "/o.mp4")", 0},          // not HH:MM:SS
      {R"(-i "/v/a.mp4" -to 00:00:20 -i "/v/b.mp4" -to 00:00:30 -y "/o.mp4")", 20},
  };
  for (const auto& c : cases) EXPECT_EQ(TaskDuration(c.arguments), c.seconds) << c.arguments;
}

// Hand-made edge cases, then lines exactly as ffmpeg 5.1.9 printed them here: the first line
// of a short encode, the last one (with "Lsize"), a start with "speed=N/A" followed by the
// next line in the same chunk, a looping 1 ms trial that never leaves 0, and a line with
// dup/drop counters.
TEST(ProgressLine, SecondsAndSpeedOfTheFirstProgressLineOfAChunk) {
  const struct {
    const char* chunk;
    double seconds;
    const char* speed;
  } cases[] = {
      {"frame=   10 fps=0.0 q=28.0 size=0kB time=00:00:07.25 bitrate=N/A speed= 1.5x    \r"
       "frame=   20 fps=0.0 q=28.0 size=0kB time=00:00:09.50 bitrate=N/A speed=2.5x    \r",
       7 + double(0.25f), " 1.5"},
      {"x time=00:01:02.45 bitrate=1k speed=12.3x \n", 62 + double(0.45f), "12.3"},
      {"x time=10:00:00.00 speed=1x \n", 36000, "1"},
      {"x time=-00:00:00.04 bitrate=N/A speed=N/A    \r", 0, ""},  // negative start time
      {"x time=N/A bitrate=N/A speed=N/A    \r", 0, ""},
      {"x time=00:00:03.5", 3.5, ""},             // cut short: no speed marker
      {"x time=00:00:03.50 speed=3.1", 3.5, ""},  // " speed=" without "x "
      {"x time=00:00:03.50 bitrate=1k\rframe=2 time=00:00:04.00 speed=4x ", 3.5, "4"},
      {"x time=00:00:0a.00 speed=1x ", 0, "1"},   // letters: no whole seconds
      {"x time=00:00:05.inf speed=1x ", 5, "1"},  // the fraction is digits only
      {"frame=    1 fps=0.0 q=0.0 size=       0kB time=00:00:00.09 bitrate=   4.1kbits/s "
       "speed=4.93x    \r",
       double(0.09f), "4.93"},
      {"frame=   50 fps=0.0 q=-1.0 Lsize=      29kB time=00:00:02.02 bitrate= 118.2kbits/s "
       "speed=6.71x    \nvideo:9kB audio:17kB subtitle:0kB other streams:0kB global headers:0kB "
       "muxing overhead: 11.613820%\n",
       2 + double(0.02f), "6.71"},
      {"frame=    1 fps=0.0 q=0.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=N/A    \r"
       "frame=    9 fps=0.0 q=0.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=   0x    \r",
       0, ""},
      {"frame=    1 fps=0.0 q=0.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=   0x    \r", 0, "   0"},
      {"frame=    2 fps=0.0 q=-1.0 Lsize=       3kB time=00:00:00.04 bitrate= 702.0kbits/s dup=0 "
       "drop=23 speed=0.408x    \n",
       double(0.04f), "0.408"},
  };
  for (const auto& c : cases) {
    const int p = ProgressPosition(c.chunk);
    ASSERT_NE(p, -1) << c.chunk;
    EXPECT_DOUBLE_EQ(ProgressSeconds(c.chunk, p), c.seconds) << c.chunk;
    EXPECT_EQ(SpeedText(c.chunk, p), c.speed) << c.chunk;
  }
  EXPECT_EQ(ProgressPosition("frame=1 fps=0.0 size=0kB"), -1);
  EXPECT_EQ(ProgressPosition("xtime=00:00:01.00"), -1);  // the marker starts with a blank
}

TEST(ProgressPercentage, ValuesAndTexts) {
  // A task without a duration never shows a percentage: the value fails "at most 100".
  EXPECT_FALSE(Percentage(3, 0) - 100 <= 1e-7);
  EXPECT_FALSE(Percentage(0, 0) - 100 <= 1e-7);

  const struct {
    double percentage;
    const char* text;
  } cases[] = {
      {37.456, "37.46"}, {50, "50"},      {12.5, "12.5"},  {99.999, "100"}, {33.333333, "33.33"},
      {0.1, "0.1"},      {2.675, "2.68"}, {0.005, "0.01"}, {0.004, "0"},    {100, "100"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentageText(c.percentage), c.text) << c.percentage;
}

// Lines as ffmpeg 5.1 prints them with "-loglevel level+info": only what it marks as an
// error counts, never a word inside a warning, metadata or an echoed name.
TEST(ProgressFailure, ErrorLinesAreTheOnesTheConverterMarks) {
  const struct {
    const char* output;
    const char* errors;
  } cases[] = {
      {"[Parsed_scale_2 @ 0x55f1] [warning] Invalid pixel aspect ratio 1420/1419, limit is 255/255 "
       "reducing\n",
       ""},
      {"[avi @ 0x5611] [warning] Dropping invalid packet from start of the stream\n"
       "[info] frame=   10 fps=0.0 q=28.0 size=0kB time=00:00:00.36 bitrate=N/A speed=0.7x    \r",
       ""},
      {"[info] Input #0, mov,mp4, from '/v/Invalidated/mirror_errors/clip.mp4':\n[info]     title : "
       "Invalid\n",
       ""},
      {"[Parsed_crop_0 @ 0x5606] [error] Invalid too big or non positive size for width '9999'\n"
       "[Parsed_crop_0 @ 0x5606] [error] Failed to configure input pad on Parsed_crop_0\n"
       "[fatal] Error reinitializing filters!\n[fatal] Invalid argument\r\n",
       "Invalid too big or non positive size for width '9999'\nFailed to configure input pad on "
       "Parsed_crop_0\nError reinitializing filters!\nInvalid argument"},
      {"[null @ 0x5626] [error] Application provided invalid, non monotonically increasing dts\n"
       "[null @ 0x5626] [error] Application provided invalid, non monotonically increasing dts\n",
       "Application provided invalid, non monotonically increasing dts"},  // each line once
      {"[panic] gone\n[h264 @ 0x1] [error] error while decoding MB 4 2\n",
       "gone\nerror while decoding MB 4 2"},
      {"[error] /v/x.mp4: No such file or directory\n", "/v/x.mp4: No such file or directory"},
      {"Invalid argument\n[x] [error] not a component tag\n[a @ 1] fine\n", ""},  // untagged lines
  };
  for (const auto& c : cases) EXPECT_EQ(probe::ErrorLines(c.output), c.errors) << c.output;
}

TEST(ProgressFailure, TranslationReplacesTheFourPhrasesInOrder) {
  const struct {
    const char* text;
    const char* translated;
  } cases[] = {
      {"Invalid argument\r", "格式无效\r"},
      {"unable to find a suitable output format for '/v/x.mp5'", "未知的输出格式: '/v/x.mp5'"},
      {"No Audio Stream Present in x\nCONVERSION FAILED!",
       "无音频流的数据无法转换到音频格式 in x\n转换失败!"},
      {"Error: invalid argument; invalid ARGUMENT", "Error: 格式无效; 格式无效"},
      {"/v/clip.mp4: No such file or directory", "/v/clip.mp4: No such file or directory"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureTranslation(c.text), c.translated) << c.text;
}

TEST(ProgressFailure, OneLineAndLastNonBlankLine) {
  EXPECT_EQ(OneLine("a\r\nb\nc\rd"), "abcd");
  EXPECT_EQ(OneLine("no break"), "no break");

  const struct {
    const char* output;
    const char* line;
  } cases[] = {
      {"x\nConversion failed!\n", "Conversion failed!"},
      {"x\n/v/a.mp4: No such file or directory\n\n  \r\n", "/v/a.mp4: No such file or directory"},
      {"only line", "only line"},
      {"frame=1 time=00:00:01.00\rlast  \r", "last"},
      {"\n\n \n", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LastNonBlankLine(c.output), c.line) << c.output;
}

// A real conversion's output read the way the worker reads it: the last progress line gives
// the clip's length, a speed that is a number, and a percentage near 100 for its duration.
TEST(ProgressLive, RealOutputOfAShortConversion) {
  const std::string clip = testing_support::VideoWithSound(320, 180, 2);
  const std::string out = testing_support::TempFolder() + "/progress_live_tmp.mp4";
  const std::string arguments =
      "-i \"" + clip + "\" -to 00:00:02 -vf scale=160:90 -c:a copy -y \"" + out + "\"";
  const testing_support::ConverterRun run = testing_support::RunConverter(arguments, false, 60000);
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string& output = run.output;

  EXPECT_EQ(OutputFile(arguments), out);
  const int duration = TaskDuration(arguments);
  EXPECT_EQ(duration, 2);
  const size_t lastLine = output.rfind("frame=");
  ASSERT_NE(lastLine, std::string::npos) << output;
  const std::string chunk = output.substr(lastLine);
  const int p = ProgressPosition(chunk);
  ASSERT_NE(p, -1) << chunk;
  const double seconds = ProgressSeconds(chunk, p);
  EXPECT_NEAR(seconds, 2.0, 0.1) << chunk;
  const std::string speed = SpeedText(chunk, p);
  ASSERT_FALSE(speed.empty()) << chunk;
  EXPECT_GT(std::stod(speed), 0) << speed;
  EXPECT_NEAR(Percentage(seconds, duration), 100, 5);
  EXPECT_EQ(probe::ErrorLines(output), "");
  plat::DeleteFile(out);
}

}  // namespace
