// Task validation in the real window: the message of each failing check, the corrections
// written back into the boxes, the values stored in the current task record; and the
// command built from what the window shows. (The checks themselves, case by case, are
// tested without a window in tests/task.)
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <string>

#include "support/window_helpers.h"
#include "task/command_builder.h"

namespace ts = testing_support;
using namespace window_helpers;

namespace {

const char* const kSmall = "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";

}  // namespace

class ValidationTest : public WindowCase {
 protected:
  // A probed landscape foreground of 1920x1080 and 58.37 s; portrait output 1080x1920.
  void SetUp() override {
    WindowCase::SetUp();
    task::TaskRecord& c = Editor().current;
    c.foregroundWidth = 1920;
    c.foregroundHeight = 1080;
    c.foregroundDuration = "00:00:58.37";
    c.foregroundExtension = ".mov";
    c.foregroundBitrate = "4500";
    Find<QComboBox>("宽高比例")->setCurrentIndex(7);
    SetBoxes("1080", "1920", "00:00:30");
    Find<QLineEdit>("格式框")->setText(".mp4");
    Find<QLineEdit>("码率框")->setText("4500");
    Find<QCheckBox>("自动码率")->setChecked(true);
    for (QCheckBox* fade : {Find<QCheckBox>("视频淡入"), Find<QCheckBox>("视频淡出")}) {
      fade->setEnabled(true);
      fade->setChecked(true);
    }
  }
  void SetBoxes(const char* width, const char* height, const char* duration) {
    Find<QLineEdit>("宽度框")->setText(width);
    Find<QLineEdit>("高度框")->setText(height);
    Find<QLineEdit>("时长框")->setText(duration);
  }
  static std::string Of(QLineEdit* box) { return box->text().toStdString(); }

  // Runs the validation; the one message it showed, or "" when it passed without one.
  QString Validate(bool* ok = nullptr) {
    const qsizetype before = dialogs.errors.size();
    const bool passed = Editor().ValidateTask();
    if (ok) *ok = passed;
    EXPECT_LE(dialogs.errors.size(), before + 1) << "at most one message per run";
    EXPECT_EQ(passed, dialogs.errors.size() == before) << "a failure shows a message, a pass none";
    return dialogs.errors.size() > before ? dialogs.errors.back() : QString();
  }
  bool Passes() {
    bool ok = false;
    Validate(&ok);
    return ok;
  }
};

TEST_F(ValidationTest, WorkedExample) {
  SetBoxes("1081", "1920", "00:01:00");
  Find<QLineEdit>("格式框")->setText("mp4 ");
  ASSERT_TRUE(Passes());
  EXPECT_EQ(Of(Find<QLineEdit>("宽度框")), "1080");
  EXPECT_EQ(Of(Find<QLineEdit>("时长框")), "00:00:58");
  EXPECT_EQ(Of(Find<QLineEdit>("格式框")), ".mp4");
  const task::TaskRecord& c = Editor().current;
  EXPECT_EQ(c.outputWidth, 1080);
  EXPECT_EQ(c.outputHeight, 1920);
  EXPECT_EQ(c.outputDuration, "00:00:58.37");
  EXPECT_EQ(c.outputFormat, ".mp4");
  EXPECT_EQ(c.bitrate, "4500");
}

// A failing check shows its message; a correction stays in its box (also when the check
// fails), so that pressing again passes exactly when the correction is enough.
TEST_F(ValidationTest, SizeAndDurationChecksShowTheirMessageAndKeepTheirCorrection) {
  struct Case {
    const char *width, *height, *duration;
    const char* message;
    const char *widthAfter, *heightAfter;
    bool passesAgain;
  } cases[] = {
      {"97", "1920", "00:00:30", nullptr, "96", "1920", true},  // 96 is the least
      {"95", "1920", "00:00:30", kSmall, "94", "1920", false},
      {"", "", "00:00:30", kSmall, "", "", false},
      {"1920", "1080", "00:00:30", "当前设置的输出宽高与前景视频宽高相同，请修改后继续。", "1920", "1080",
       false},
      {"1080", "500", "00:00:30", "因比例限制，当前前景视频高度不应小于606，请修改。", "1080", "606", true},
      {"1080", "1920", "1:02:03", "视频时长格式有误，需要按照01:02:03格式书写。", "1080", "1920", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.width) + "x" + c.height + " " + c.duration);
    SetBoxes(c.width, c.height, c.duration);
    EXPECT_EQ(Validate(), c.message ? QString::fromUtf8(c.message) : QString());
    EXPECT_EQ(Of(Find<QLineEdit>("宽度框")), c.widthAfter);
    EXPECT_EQ(Of(Find<QLineEdit>("高度框")), c.heightAfter);
    EXPECT_EQ(Passes(), c.passesAgain);
  }
}

TEST_F(ValidationTest, BitrateIsExaminedOnlyWithoutAutomaticBitrate) {
  Find<QLineEdit>("码率框")->setText("50");
  EXPECT_TRUE(Passes());  // automatic: the box is not examined

  Find<QCheckBox>("自动码率")->setChecked(false);
  Find<QLineEdit>("码率框")->setEnabled(true);
  Find<QLineEdit>("码率框")->setText("99");
  EXPECT_EQ(Validate(), "请勿使用过低的码率，正常值至少不要低于100kb/s，如不知如何填写，请选择自动码率。");
  EXPECT_TRUE(Find<QCheckBox>("自动码率")->isChecked());
  EXPECT_EQ(Of(Find<QLineEdit>("码率框")), "4500");
  EXPECT_FALSE(On(Find<QLineEdit>("码率框")));

  Find<QCheckBox>("自动码率")->setChecked(false);
  Find<QLineEdit>("码率框")->setText("800");
  EXPECT_TRUE(Passes());
  EXPECT_EQ(Editor().current.bitrate, "800");
}

TEST_F(ValidationTest, FourSecondsDropTheVideoFadesFiveKeepThem) {
  for (auto [duration, fades] : {std::pair{"00:00:05", true}, std::pair{"00:00:04", false}}) {
    Find<QLineEdit>("时长框")->setText(duration);
    ASSERT_TRUE(Passes()) << duration;
    for (QCheckBox* fade : {Find<QCheckBox>("视频淡入"), Find<QCheckBox>("视频淡出")}) {
      EXPECT_EQ(fade->isChecked(), fades) << duration;
      EXPECT_EQ(On(fade), fades) << duration;
    }
  }
}

TEST_F(ValidationTest, FormatBoxGetsItsDotOrTheForegroundsFormat) {
  for (auto [box, want] : {std::pair{" .mkv", ".mkv"}, std::pair{"", ".mov"}}) {
    Find<QLineEdit>("格式框")->setText(box);
    ASSERT_TRUE(Passes()) << "[" << box << "]";
    EXPECT_EQ(Of(Find<QLineEdit>("格式框")), want) << "[" << box << "]";
    EXPECT_EQ(Editor().current.outputFormat, want) << "[" << box << "]";
  }
}

// ---- the command built from what the window shows --------------------------------------

class WindowCommandTest : public ValidationTest {
 protected:
  void SetUp() override {
    ValidationTest::SetUp();
    folder_ = NewFolder("window-command");
    clip_ = ts::CopyInto(ts::VideoWithSound(320, 180, 3), folder_);
    task::TaskRecord& c = Editor().current;
    c.foregroundPath = c.backgroundPath = task::Quote(clip_);
    c.suggestedWidth = 1920;
    c.suggestedHeight = 3412;
    c.foregroundFps = "30";
    Find<QLabel>("前景框")->setText(Q(clip_));
    Find<QSlider>("背景模糊")->setValue(5);
    Find<QCheckBox>("前景音")->setChecked(true);
    Find<QCheckBox>("静音")->setChecked(false);
    for (QCheckBox* fade : {Find<QCheckBox>("视频淡入"), Find<QCheckBox>("视频淡出")})
      fade->setChecked(false);
    Find<QLineEdit>("时长框")->setText("00:01:00");
  }
  std::string folder_, clip_;
};

TEST_F(WindowCommandTest, ValidatedTaskBuildsTheCommandOfWhatTheControlsShow) {
  ASSERT_TRUE(Passes());
  const std::string q = task::Quote(clip_);
  const std::string out = folder_ + "/result/av_320x180_3s_25_tmp.mp4";
  const std::string graph =
      " -filter_complex "
      "\"[1:v]boxblur=10,scale=3413*2:1920*2,crop=1080:1920[g1];[0:v]scale=1080:-1[v];[g1][v]"
      "overlay=0:(H-h)/2\" -c:a copy -y \"" +
      out + "\"";
  // The foreground is 58.37 s long: the output is all of it.
  EXPECT_EQ(Editor().BuildCommandFor(Editor().current, false),
            "-i " + q + " -i " + q + " -to 00:00:58.37" + graph);
  EXPECT_EQ(Editor().BuildCommandFor(Editor().current, true),
            "-i " + q + " -i " + q + " -to 00:00:00.001 " + graph);
  EXPECT_TRUE(plat::IsDirectory(folder_ + "/result"));

  // A switch changed after validation is what the next build sees.
  Find<QCheckBox>("前景音")->setChecked(false);
  Editor().ApplyAudioRule();
  const std::string muted = Editor().BuildCommandFor(Editor().current, false);
  EXPECT_NE(muted.find("overlay=0:(H-h)/2\" -an -y"), std::string::npos) << muted;
}

TEST_F(WindowCommandTest, VanishedBackgroundFileIsShownAsNoneWithItsSoundOff) {
  const std::string city = ts::CopyInto(ts::VideoWithSound(256, 144, 1, 30), folder_ + "/bg");
  Find<QLabel>("背景框")->setText(Q(city));
  Find<QCheckBox>("背景音")->setEnabled(true);
  Find<QCheckBox>("背景音")->setChecked(true);
  Find<QCheckBox>("前景音")->setChecked(false);
  Editor().current.backgroundWidth = 256;
  Editor().current.backgroundHeight = 144;
  ASSERT_TRUE(Passes());
  std::string cmd = Editor().BuildCommandFor(Editor().current, true);
  EXPECT_NE(cmd.find(task::Quote(city)), std::string::npos) << cmd;
  EXPECT_EQ(TickedAudio(), "背景音");

  ASSERT_TRUE(plat::DeleteFile(city));
  cmd = Editor().BuildCommandFor(Editor().current, true);
  EXPECT_EQ(cmd.find(task::Quote(city)), std::string::npos) << cmd;
  EXPECT_EQ(Find<QLabel>("背景框")->text(), kPlaceholder);
  EXPECT_EQ(TickedAudio(), "静音");  // no sound source is left
  EXPECT_EQ(Editor().current.backgroundPath, Editor().current.foregroundPath);
  EXPECT_EQ(Editor().current.backgroundWidth, 1920);
  EXPECT_NE(cmd.find(" -an -y"), std::string::npos) << cmd;
}
