// Task validation in the real window: the message of each failing check, the corrections
// written back into the boxes, the values stored in the current task record; and the
// command built from what the window shows.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <string>

#include "support/window_fixture.h"
#include "task/command_builder.h"

namespace ts = testing_support;

namespace {

const QString kSmall = QStringLiteral("视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。");
const QString kDurationFormat = QStringLiteral("视频时长格式有误，需要按照01:02:03格式书写。");
const QString kLowBitrate =
    QStringLiteral("请勿使用过低的码率，正常值至少不要低于100kb/s，如不知如何填写，请选择自动码率。");

}  // namespace

class ValidationTest : public WindowTest {
 protected:
  // A probed landscape foreground of 1920x1080 and 58.37 s; portrait output 1080x1920.
  void SetUp() override {
    WindowTest::SetUp();
    task::TaskRecord& c = window->current;
    c.foregroundWidth = 1920;
    c.foregroundHeight = 1080;
    c.foregroundDuration = "00:00:58.37";
    c.foregroundExtension = ".mov";
    c.foregroundBitrate = "4500";
    window->宽高比例->setCurrentIndex(7);
    Set(window->宽度框, "1080");
    Set(window->高度框, "1920");
    Set(window->时长框, "00:00:30");
    Set(window->格式框, ".mp4");
    Set(window->码率框, "4500");
    window->自动码率->setChecked(true);
    for (QCheckBox* fade : {window->视频淡入, window->视频淡出}) {
      fade->setEnabled(true);
      fade->setChecked(true);
    }
  }
  static void Set(QLineEdit* box, const char* text) { box->setText(QString::fromUtf8(text)); }
  static std::string Of(QLineEdit* box) { return box->text().toStdString(); }

  // Runs the validation; the one message it showed, or "" when it passed without one.
  QString Validate(bool* ok = nullptr) {
    const qsizetype before = dialogs.errors.size();
    const bool passed = window->ValidateTask();
    if (ok) *ok = passed;
    EXPECT_LE(dialogs.errors.size(), before + 1) << "at most one message per run";
    EXPECT_EQ(passed, dialogs.errors.size() == before) << "a failure shows a message, a pass none";
    return dialogs.errors.size() > before ? dialogs.errors.back() : QString();
  }
};

TEST_F(ValidationTest, WorkedExample) {
  Set(window->宽度框, "1081");
  Set(window->时长框, "00:01:00");
  Set(window->格式框, "mp4 ");
  bool ok = false;
  Validate(&ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Of(window->宽度框), "1080");
  EXPECT_EQ(Of(window->时长框), "00:00:58");
  EXPECT_EQ(Of(window->格式框), ".mp4");
  const task::TaskRecord& c = window->current;
  EXPECT_EQ(c.outputWidth, 1080);
  EXPECT_EQ(c.outputHeight, 1920);
  EXPECT_EQ(c.outputDuration, "00:00:58.37");
  EXPECT_EQ(c.outputFormat, ".mp4");
  EXPECT_EQ(c.bitrate, "4500");
}

TEST_F(ValidationTest, OddWidthsAreLoweredAndNinetySixIsTheLeast) {
  Set(window->宽度框, "97");
  bool ok = false;
  Validate(&ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Of(window->宽度框), "96");

  Set(window->宽度框, "95");
  EXPECT_EQ(Validate(), kSmall);
  EXPECT_EQ(Of(window->宽度框), "94");  // the correction stays
}

TEST_F(ValidationTest, EmptySizeBoxesReadAsZero) {
  Set(window->宽度框, "");
  Set(window->高度框, "");
  EXPECT_EQ(Validate(), kSmall);
  EXPECT_EQ(Of(window->宽度框), "");
}

TEST_F(ValidationTest, SameSizeAsTheForegroundAndTheRatioLimit) {
  Set(window->宽度框, "1920");
  Set(window->高度框, "1080");
  EXPECT_EQ(Validate(), QStringLiteral("当前设置的输出宽高与前景视频宽高相同，请修改后继续。"));

  Set(window->宽度框, "1080");
  Set(window->高度框, "500");
  EXPECT_EQ(Validate(), QStringLiteral("因比例限制，当前前景视频高度不应小于606，请修改。"));
  EXPECT_EQ(Of(window->高度框), "606");
  bool ok = false;
  Validate(&ok);  // pressing again passes the corrected limit
  EXPECT_TRUE(ok);
}

TEST_F(ValidationTest, NoForegroundSkipsTheRatioLimit) {
  window->current.foregroundWidth = 0;
  window->current.foregroundHeight = 0;
  window->current.foregroundDuration.clear();
  Set(window->高度框, "100");
  bool ok = false;
  Validate(&ok);
  EXPECT_TRUE(ok);
}

TEST_F(ValidationTest, DurationFormats) {
  struct Row {
    const char* d;
    bool ok;
  } rows[] = {{"1:02:03", false}, {"01-02-03", false}, {"", false}, {"00:00:10", true}, {"00:00:0x", true}};
  for (const auto& r : rows) {
    Set(window->时长框, r.d);
    bool ok = false;
    const QString message = Validate(&ok);
    EXPECT_EQ(ok, r.ok) << r.d;
    if (!r.ok) EXPECT_EQ(message, kDurationFormat) << r.d;
  }
}

TEST_F(ValidationTest, BitrateIsExaminedOnlyWithoutAutomaticBitrate) {
  Set(window->码率框, "50");
  bool ok = false;
  Validate(&ok);  // automatic: the box is not examined
  EXPECT_TRUE(ok);

  window->自动码率->setChecked(false);
  window->码率框->setEnabled(true);
  Set(window->码率框, "99");
  EXPECT_EQ(Validate(), kLowBitrate);
  EXPECT_TRUE(window->自动码率->isChecked());
  EXPECT_EQ(Of(window->码率框), "4500");
  EXPECT_FALSE(MainWindow::OwnEnabled(window->码率框));

  window->自动码率->setChecked(false);
  Set(window->码率框, "800");
  Validate(&ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(window->current.bitrate, "800");
}

TEST_F(ValidationTest, FourSecondsDropTheVideoFadesFiveKeepThem) {
  Set(window->时长框, "00:00:05");
  bool ok = false;
  Validate(&ok);
  ASSERT_TRUE(ok);
  for (QCheckBox* fade : {window->视频淡入, window->视频淡出}) {
    EXPECT_TRUE(fade->isChecked());
    EXPECT_TRUE(MainWindow::OwnEnabled(fade));
  }
  Set(window->时长框, "00:00:04");
  Validate(&ok);
  ASSERT_TRUE(ok);
  for (QCheckBox* fade : {window->视频淡入, window->视频淡出}) {
    EXPECT_FALSE(fade->isChecked());
    EXPECT_FALSE(MainWindow::OwnEnabled(fade));
  }
}

TEST_F(ValidationTest, FormatBoxGetsItsDot) {
  struct Row {
    const char *box, *want;
  } rows[] = {{"mp4", ".mp4"}, {" .mkv", ".mkv"}, {"", ".mov"}, {".webm", ".webm"}};
  for (const auto& r : rows) {
    Set(window->格式框, r.box);
    bool ok = false;
    Validate(&ok);
    ASSERT_TRUE(ok) << r.box;
    EXPECT_EQ(Of(window->格式框), r.want) << "[" << r.box << "]";
    EXPECT_EQ(window->current.outputFormat, r.want) << "[" << r.box << "]";
  }
}

// ---- the command built from what the window shows --------------------------------------

class WindowCommandTest : public ValidationTest {
 protected:
  void SetUp() override {
    ValidationTest::SetUp();
    folder_ = ts::TempFolder() + "/window-command-" + std::to_string(++counter_);
    clip_ = ts::CopyInto(ts::VideoWithSound(320, 180, 3), folder_);
    task::TaskRecord& c = window->current;
    c.foregroundPath = c.backgroundPath = task::Quote(clip_);
    c.suggestedWidth = 1920;
    c.suggestedHeight = 3412;
    c.foregroundFps = "30";
    window->前景框->setText(QString::fromStdString(clip_));
    window->背景模糊->setValue(5);
    window->前景音->setChecked(true);
    window->静音->setChecked(false);
    for (QCheckBox* fade : {window->视频淡入, window->视频淡出}) fade->setChecked(false);
    Set(window->时长框, "00:01:00");
  }
  std::string folder_, clip_;
  static inline int counter_ = 0;
};

TEST_F(WindowCommandTest, ValidatedTaskBuildsTheCommandOfWhatTheControlsShow) {
  bool ok = false;
  Validate(&ok);
  ASSERT_TRUE(ok);
  const std::string q = task::Quote(clip_);
  const std::string out = folder_ + "/result/av_320x180_3s_25_tmp.mp4";
  const std::string graph =
      " -filter_complex \"[1:v]boxblur=10,scale=3413*2:1920*2,crop=1080:1920[g1];[0:v]scale=1080:-1[v];[g1][v]"
      "overlay=0:(H-h)/2\" -c:a copy -y \"" + out + "\"";
  // The foreground is 58.37 s long: the output is all of it.
  EXPECT_EQ(window->BuildCommandFor(window->current, false),
            "-i " + q + " -i " + q + " -to 00:00:58.37" + graph);
  EXPECT_EQ(window->BuildCommandFor(window->current, true),
            "-i " + q + " -i " + q + " -to 00:00:00.001 " + graph);
  EXPECT_TRUE(plat::IsDirectory(folder_ + "/result"));

  // A switch changed after validation is what the next build sees.
  window->前景音->setChecked(false);
  window->ApplyAudioRule();
  const std::string muted = window->BuildCommandFor(window->current, false);
  EXPECT_NE(muted.find("overlay=0:(H-h)/2\" -an -y"), std::string::npos) << muted;
}

TEST_F(WindowCommandTest, VanishedBackgroundFileIsShownAsNoneWithItsSoundOff) {
  const std::string city = ts::CopyInto(ts::VideoWithSound(256, 144, 1, 30), folder_ + "/bg");
  window->背景框->setText(QString::fromStdString(city));
  window->背景音->setEnabled(true);
  window->背景音->setChecked(true);
  window->前景音->setChecked(false);
  window->current.backgroundWidth = 256;
  window->current.backgroundHeight = 144;
  bool ok = false;
  Validate(&ok);
  ASSERT_TRUE(ok);
  std::string cmd = window->BuildCommandFor(window->current, true);
  EXPECT_NE(cmd.find(task::Quote(city)), std::string::npos) << cmd;
  EXPECT_TRUE(window->背景音->isChecked());

  ASSERT_TRUE(plat::DeleteFile(city));
  cmd = window->BuildCommandFor(window->current, true);
  EXPECT_EQ(cmd.find(task::Quote(city)), std::string::npos) << cmd;
  EXPECT_EQ(window->背景框->text(), QString::fromUtf8(MainWindow::kBackgroundPlaceholder));
  EXPECT_FALSE(window->背景音->isChecked());
  EXPECT_TRUE(window->静音->isChecked());  // no sound source is left
  EXPECT_EQ(window->current.backgroundPath, window->current.foregroundPath);
  EXPECT_EQ(window->current.backgroundWidth, 1920);
  EXPECT_NE(cmd.find(" -an -y"), std::string::npos) << cmd;
}

TEST_F(WindowCommandTest, ReadTaskFromControlsTakesEverySwitchAndLeavesMediaInfoAlone) {
  window->动画滤镜->setCurrentIndex(4);
  window->动画模糊->setValue(7);
  window->动画透明->setValue(2);
  window->背景模糊->setValue(3);
  window->降噪->setChecked(true);
  window->迷幻->setChecked(true);
  window->重帧优化->setEnabled(false);
  task::TaskRecord r = window->current;
  r.commandLine = "kept";
  r.trialCommand = "kept too";
  window->ReadTaskFromControls(r);
  EXPECT_EQ(r.foregroundPath, task::Quote(clip_));
  EXPECT_EQ(r.backgroundPath, r.foregroundPath);  // the placeholder names no file
  EXPECT_TRUE(r.animationPath.empty());
  EXPECT_EQ(r.outputWidth, 1080);
  EXPECT_EQ(r.outputHeight, 1920);
  EXPECT_EQ(r.outputDuration, "00:01:00");
  EXPECT_EQ(r.outputFormat, ".mp4");
  EXPECT_EQ(r.ratioIndex, 7);
  EXPECT_EQ(r.blendModeIndex, 4);
  EXPECT_EQ(r.backgroundBlur, 3);
  EXPECT_EQ(r.animationBlur, 7);
  EXPECT_EQ(r.animationOpacity, 2);
  EXPECT_TRUE(r.ticked(task::kTickAutoBitrate));
  EXPECT_TRUE(r.ticked(task::kTickForegroundSound));
  EXPECT_TRUE(r.ticked(task::kTickDenoise));
  EXPECT_TRUE(r.ticked(task::kTickPsychedelic));
  EXPECT_FALSE(r.ticked(task::kTickMute));
  EXPECT_EQ(r.disabled[task::kOffDedupFrames], 1);
  EXPECT_EQ(r.disabled[task::kOffBitrateBox], 1);
  EXPECT_EQ(r.commandLine, "kept");
  EXPECT_EQ(r.trialCommand, "kept too");
  EXPECT_EQ(r.foregroundWidth, 1920);
  EXPECT_EQ(r.suggestedHeight, 3412);
}
