// The pure checks of a task's output settings (the window's part is in tests/app).
#include "task/validation.h"

#include <gtest/gtest.h>

using task::CheckOutputSettings;
using task::ValidationInput;

namespace {

const char* const kSmall = "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";

ValidationInput Landscape() {
  ValidationInput in;
  in.widthText = "1080";
  in.heightText = "1920";
  in.durationText = "00:00:30";
  in.formatText = ".mp4";
  in.ratioIndex = 7;
  in.autoBitrate = true;
  in.foregroundWidth = 1920;
  in.foregroundHeight = 1080;
  in.foregroundDuration = "00:00:58.37";
  in.foregroundExtension = ".mp4";
  in.foregroundBitrate = "4500";
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

TEST(TaskChecks, SizesAreMadeEvenThenHeldToNinetySix) {
  struct Row {
    const char *w, *h;
    bool ok;
    const char *widthBox, *heightBox;
  } rows[] = {
      {"97", "1920", true, "96", nullptr},  // 96 passes
      {"95", "1920", false, "94", nullptr},
      {"", "", false, nullptr, nullptr},
      {"1080", "95", false, nullptr, "94"},
      {"abc", "1920", false, nullptr, nullptr},
  };
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    in.widthText = r.w;
    in.heightText = r.h;
    const auto out = CheckOutputSettings(in);
    EXPECT_EQ(out.ok, r.ok) << r.w << "x" << r.h;
    if (!r.ok) EXPECT_EQ(out.message, kSmall) << r.w << "x" << r.h;
    EXPECT_EQ(out.widthBox.value_or("-"), r.widthBox ? r.widthBox : "-") << r.w;
    EXPECT_EQ(out.heightBox.value_or("-"), r.heightBox ? r.heightBox : "-") << r.h;
  }
}

TEST(TaskChecks, SameSizeAsTheForegroundIsRefused) {
  ValidationInput in = Landscape();
  in.widthText = "1920";
  in.heightText = "1080";
  EXPECT_EQ(CheckOutputSettings(in).message, "当前设置的输出宽高与前景视频宽高相同，请修改后继续。");
}

TEST(TaskChecks, RatioLimitCorrectsTheBoxOfTheScaledDimension) {
  ValidationInput portrait = Landscape();  // 1920x1080 to portrait: scaled to the width
  portrait.heightText = "600";               // 1080*1080/1920 = 607.5 -> 607 -> 606
  auto out = CheckOutputSettings(portrait);
  EXPECT_EQ(out.message, "因比例限制，当前前景视频高度不应小于606，请修改。");
  EXPECT_EQ(out.heightBox.value_or(""), "606");
  portrait.heightText = "606";
  EXPECT_TRUE(CheckOutputSettings(portrait).ok);

  ValidationInput landscape = Landscape();  // portrait 1080x1920 source to landscape 16:9
  landscape.foregroundWidth = 1080;
  landscape.foregroundHeight = 1920;
  landscape.ratioIndex = 0;
  landscape.widthText = "500";
  landscape.heightText = "1080";  // 1080*1080/1920 = 607.5 -> 606
  out = CheckOutputSettings(landscape);
  EXPECT_EQ(out.message, "因比例限制，当前前景视频宽度不应小于606，请修改。");
  EXPECT_EQ(out.widthBox.value_or(""), "606");
  landscape.ratioIndex = -1;  // no ratio chosen: treated like landscape output
  EXPECT_EQ(CheckOutputSettings(landscape).message, "因比例限制，当前前景视频宽度不应小于606，请修改。");
}

TEST(TaskChecks, WithoutAProbedForegroundTheRatioLimitIsSkipped) {
  for (auto [fw, fh] : {std::pair{0, 0}, std::pair{1920, 0}, std::pair{0, 1080}}) {
    ValidationInput in = Landscape();
    in.foregroundWidth = fw;
    in.foregroundHeight = fh;
    in.foregroundDuration = "";
    in.heightText = "100";
    const auto out = CheckOutputSettings(in);
    EXPECT_TRUE(out.ok) << fw << "x" << fh << ": " << out.message;
    EXPECT_EQ(out.outputDuration, "00:00:30");  // an unknown length does not shorten the output
  }
}

TEST(TaskChecks, DurationFormat) {
  struct Row {
    const char* d;
    bool ok;
  } rows[] = {{"1:02:03", false}, {"01-02-03", false}, {"01:02:030", false}, {"", false},
              {"00:00:10", true}, {"00:00:0x", true}};
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    in.durationText = r.d;
    const auto out = CheckOutputSettings(in);
    EXPECT_EQ(out.ok, r.ok) << r.d;
    if (!r.ok) EXPECT_EQ(out.message, "视频时长格式有误，需要按照01:02:03格式书写。") << r.d;
  }
  ValidationInput in = Landscape();
  in.durationText = "01:02:0x";  // passes and reads as 1 hour 2 minutes: longer than the foreground
  in.foregroundDuration = "02:00:00.00";
  const auto out = CheckOutputSettings(in);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.outputDuration, "01:02:0x");
  EXPECT_FALSE(out.durationBox);
}

TEST(TaskChecks, BitrateBelowHundredIsRefusedUnlessAutomatic) {
  ValidationInput in = Landscape();
  in.autoBitrate = false;
  in.bitrateText = "99";
  auto out = CheckOutputSettings(in);
  EXPECT_EQ(out.message, "请勿使用过低的码率，正常值至少不要低于100kb/s，如不知如何填写，请选择自动码率。");
  EXPECT_TRUE(out.forceAutoBitrate);
  EXPECT_EQ(out.bitrateBox.value_or(""), "4500");

  in.bitrateText = "100";
  out = CheckOutputSettings(in);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.bitrate, "100");

  in.autoBitrate = true;  // the box is not examined
  in.bitrateText = "";
  EXPECT_TRUE(CheckOutputSettings(in).ok);
}

TEST(TaskChecks, OutputNeverLongerThanTheForegroundAndShortOnesLoseVideoFades) {
  struct Row {
    const char *d, *fg;
    const char* box;  // nullptr: unchanged
    const char* stored;
    bool dropFades;
  } rows[] = {
      {"00:00:04", "00:00:58.37", nullptr, "00:00:04", true},
      {"00:00:05", "00:00:58.37", nullptr, "00:00:05", false},
      {"00:01:00", "00:00:58.37", "00:00:58", "00:00:58.37", false},
      {"00:00:10", "00:00:03.50", "00:00:03", "00:00:03.50", true},
      {"00:00:58", "00:00:58.37", nullptr, "00:00:58.37", false},  // all of it, fraction included
      {"00:00:57", "00:00:58.37", nullptr, "00:00:57", false},
  };
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    in.durationText = r.d;
    in.foregroundDuration = r.fg;
    const auto out = CheckOutputSettings(in);
    ASSERT_TRUE(out.ok) << r.d;
    EXPECT_EQ(out.durationBox.value_or("-"), r.box ? r.box : "-") << r.d;
    EXPECT_EQ(out.outputDuration, r.stored) << r.d;
    EXPECT_EQ(out.dropVideoFades, r.dropFades) << r.d;
  }
}

TEST(TaskChecks, FormatGetsItsDotAndLosesBlanks) {
  struct Row {
    const char *box, *ext;
    const char* newBox;  // nullptr: unchanged
    const char* stored;
  } rows[] = {
      {"mp4", ".mov", ".mp4", ".mp4"},  {" .mkv", ".mov", ".mkv", ".mkv"}, {"", ".mov", ".mov", ".mov"},
      {".mkv", ".mov", nullptr, ".mkv"}, {"m p4", ".mov", ".mp4", ".mp4"},  {"   ", ".webm", ".webm", ".webm"},
  };
  for (const auto& r : rows) {
    ValidationInput in = Landscape();
    in.formatText = r.box;
    in.foregroundExtension = r.ext;
    const auto out = CheckOutputSettings(in);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.formatBox.value_or("-"), r.newBox ? r.newBox : "-") << "[" << r.box << "]";
    EXPECT_EQ(out.outputFormat, r.stored) << "[" << r.box << "]";
  }
}
