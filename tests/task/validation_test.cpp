// The pure checks of a task's output settings (the window's part is in tests/app).
#include "task/validation.h"

#include <gtest/gtest.h>

#include <functional>

using task::CheckOutputSettings;
using task::ValidationInput;

namespace {

const char* const kSmall = "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";

ValidationInput Landscape() {
  ValidationInput in;
  in.widthText = "1080", in.heightText = "1920", in.durationText = "00:00:30", in.formatText = ".mp4";
  in.ratioIndex = 7;
  in.autoBitrate = true;
  in.foregroundWidth = 1920, in.foregroundHeight = 1080, in.foregroundDuration = "00:00:58.37";
  in.foregroundExtension = ".mp4", in.foregroundBitrate = "4500";
  return in;
}

}  // namespace

TEST(TaskChecks, WorkedExample) {
  ValidationInput in = Landscape();
  in.widthText = "1081";
  in.durationText = "00:01:00";
  in.formatText = "mp4 ";
  const auto out = CheckOutputSettings(in);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.widthBox.value_or(""), "1080");
  EXPECT_FALSE(out.heightBox);
  EXPECT_EQ(out.outputWidth, 1080);
  EXPECT_EQ(out.outputHeight, 1920);
  EXPECT_EQ(out.durationBox.value_or(""), "00:00:58");
  EXPECT_EQ(out.outputDuration, "00:00:58.37");
  EXPECT_EQ(out.formatBox.value_or(""), ".mp4");
  EXPECT_EQ(out.outputFormat, ".mp4");
  EXPECT_FALSE(out.dropVideoFades);
}

// Each row changes the 1920x1080 to 1080x1920 task; "" for a task that passes. The box
// columns are the corrections written back ("-": none).
TEST(TaskChecks, MessagesAndCorrectionsOfEachCheck) {
  const char* const kDuration = "视频时长格式有误，需要按照01:02:03格式书写。";
  const char* const kWidth606 = "因比例限制，当前前景视频宽度不应小于606，请修改。";
  auto size = [](const char* w, const char* h) {
    return [=](ValidationInput& in) { in.widthText = w, in.heightText = h; };
  };
  auto duration = [](const char* d) { return [=](ValidationInput& in) { in.durationText = d; }; };
  // Portrait 1080x1920 to landscape: 1080*1080/1920 = 607.5 -> 607 -> 606.
  auto toLandscape = [](int ratioIndex) {
    return [=](ValidationInput& in) {
      in.foregroundWidth = 1080, in.foregroundHeight = 1920, in.ratioIndex = ratioIndex;
      in.widthText = "500", in.heightText = "1080";
    };
  };
  // Without a probed foreground the ratio limit is skipped.
  auto unprobed = [](int fw, int fh) {
    return [=](ValidationInput& in) {
      in.foregroundWidth = fw, in.foregroundHeight = fh, in.foregroundDuration = "", in.heightText = "100";
    };
  };
  const struct {
    const char* name;
    std::function<void(ValidationInput&)> change;
    const char* message;
    const char *widthBox = "-", *heightBox = "-";
  } rows[] = {
      {"width 97 is made 96", size("97", "1920"), "", "96"},
      {"width 95 is made 94", size("95", "1920"), kSmall, "94"},
      {"height 95", size("1080", "95"), kSmall, "-", "94"},
      {"empty sizes", size("", ""), kSmall},
      {"letters", size("abc", "1920"), kSmall},
      {"same size as the foreground", size("1920", "1080"),
       "当前设置的输出宽高与前景视频宽高相同，请修改后继续。"},
      // 1920x1080 to portrait is scaled to the width: 1080*1080/1920 = 607.5 -> 607 -> 606.
      {"height under the ratio limit", size("1080", "600"),
       "因比例限制，当前前景视频高度不应小于606，请修改。", "-", "606"},
      {"height at the ratio limit", size("1080", "606"), ""},
      {"width under the ratio limit", toLandscape(0), kWidth606, "606"},
      {"no ratio chosen is landscape", toLandscape(-1), kWidth606, "606"},
      {"unprobed foreground", unprobed(0, 0), ""},
      {"unprobed width", unprobed(0, 1080), ""},
      {"unprobed height", unprobed(1920, 0), ""},
      {"duration 1:02:03", duration("1:02:03"), kDuration},
      {"duration 01-02-03", duration("01-02-03"), kDuration},
      {"duration 01:02:030", duration("01:02:030"), kDuration},
      {"empty duration", duration(""), kDuration},
      {"duration 00:00:10", duration("00:00:10"), ""},
      {"duration 00:00:0x", duration("00:00:0x"), ""},
      {"bitrate 99", [](ValidationInput& in) { in.autoBitrate = false, in.bitrateText = "99"; },
       "请勿使用过低的码率，正常值至少不要低于100kb/s，如不知如何填写，请选择自动码率。"},
      {"bitrate 100", [](ValidationInput& in) { in.autoBitrate = false, in.bitrateText = "100"; }, ""},
      {"automatic bitrate is not examined", [](ValidationInput& in) { in.bitrateText = ""; }, ""},
  };
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    r.change(in);
    const auto out = CheckOutputSettings(in);
    EXPECT_EQ(out.ok, *r.message == 0) << r.name;
    EXPECT_EQ(out.message, r.message) << r.name;
    EXPECT_EQ(out.widthBox.value_or("-"), r.widthBox) << r.name;
    EXPECT_EQ(out.heightBox.value_or("-"), r.heightBox) << r.name;
  }
}

TEST(TaskChecks, WhatThePassingChecksStore) {
  ValidationInput in = Landscape();
  in.autoBitrate = false;
  in.bitrateText = "99";  // too low: automatic bitrate is switched back on with its value
  auto out = CheckOutputSettings(in);
  EXPECT_TRUE(out.forceAutoBitrate);
  EXPECT_EQ(out.bitrateBox.value_or(""), "4500");
  in.bitrateText = "100";
  EXPECT_EQ(CheckOutputSettings(in).bitrate, "100");

  in = Landscape();
  in.foregroundWidth = in.foregroundHeight = 0, in.foregroundDuration = "";
  EXPECT_EQ(CheckOutputSettings(in).outputDuration, "00:00:30");  // an unknown length does not shorten it

  in = Landscape();
  in.durationText = "01:02:0x";  // passes and reads as 1 hour 2 minutes: longer than the foreground
  in.foregroundDuration = "02:00:00.00";
  out = CheckOutputSettings(in);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.outputDuration, "01:02:0x");
  EXPECT_FALSE(out.durationBox);
}

// Duration never longer than the foreground, video fades dropped under 5 s, the format with
// its dot and without blanks. "-": the box is left as it is.
TEST(TaskChecks, DurationAndFormatAsStored) {
  const struct {
    const char *duration, *foreground, *durationBox, *storedDuration;
    bool dropFades;
    const char *format, *extension, *formatBox, *storedFormat;
  } rows[] = {
      {"00:00:04", "00:00:58.37", "-", "00:00:04", true, "mp4", ".mov", ".mp4", ".mp4"},
      {"00:00:05", "00:00:58.37", "-", "00:00:05", false, " .mkv", ".mov", ".mkv", ".mkv"},
      {"00:01:00", "00:00:58.37", "00:00:58", "00:00:58.37", false, "", ".mov", ".mov", ".mov"},
      {"00:00:10", "00:00:03.50", "00:00:03", "00:00:03.50", true, ".mkv", ".mov", "-", ".mkv"},
      {"00:00:58", "00:00:58.37", "-", "00:00:58.37", false, "m p4", ".mov", ".mp4", ".mp4"},  // all of it
      {"00:00:57", "00:00:58.37", "-", "00:00:57", false, "   ", ".webm", ".webm", ".webm"},
  };
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    in.durationText = r.duration, in.foregroundDuration = r.foreground;
    in.formatText = r.format, in.foregroundExtension = r.extension;
    const auto out = CheckOutputSettings(in);
    ASSERT_TRUE(out.ok) << r.duration;
    EXPECT_EQ(out.durationBox.value_or("-"), r.durationBox) << r.duration;
    EXPECT_EQ(out.outputDuration, r.storedDuration) << r.duration;
    EXPECT_EQ(out.dropVideoFades, r.dropFades) << r.duration;
    EXPECT_EQ(out.formatBox.value_or("-"), r.formatBox) << "[" << r.format << "]";
    EXPECT_EQ(out.outputFormat, r.storedFormat) << "[" << r.format << "]";
  }
}
