// The four source pickers and their probe jobs, driven through the real window with media
// the tests make and the real converter probing them; dialogs are answered by the script.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "probe/converter.h"
#include "support/window_helpers.h"
#include "task/task_record.h"

namespace ts = testing_support;
namespace fs = std::filesystem;
using namespace window_helpers;

namespace {

const QColor kActiveBox(208, 232, 255);
const QString kEmptyFile = QStringLiteral("该文件为空文件或被占用，无法读取。");
const QString kTooLong = QStringLiteral("文件因路径过长，无法使用，请加以修改重新尝试。");
const QString kReserved = QStringLiteral("文件因含有保留字符或特殊字符，无法使用，请加以修改重新尝试。");

bool Active(QLineEdit* box) { return box->palette().color(QPalette::Base) == kActiveBox; }

}  // namespace

class SourcePickersTest : public WindowCase {
 protected:
  // No foreground: the record holds none and the settings are locked.
  void ExpectNoForeground() {
    EXPECT_EQ(Editor().current.foregroundKind, 0);
    EXPECT_EQ(Editor().current.foregroundPath, "");
    EXPECT_FALSE(On(Find<QFrame>("操作框")));
  }
};

TEST_F(SourcePickersTest, LandscapeForegroundWithSoundFillsTheSettings) {
  const std::string clip = ts::VideoWithSound(1920, 1080, 5, 25);
  PickForeground(clip);
  const task::TaskRecord& r = Editor().current;

  EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(clip));
  EXPECT_EQ(r.foregroundPath, task::Quote(clip));
  EXPECT_EQ(r.foregroundKind, 5);
  EXPECT_EQ(r.foregroundWidth, 1920);
  EXPECT_EQ(r.foregroundHeight, 1080);
  EXPECT_EQ(r.foregroundDuration, "00:00:05.00");
  EXPECT_EQ(r.foregroundFps, "25");
  EXPECT_EQ(r.foregroundExtension, ".mp4");
  EXPECT_FALSE(r.foregroundBitrate.empty());

  // Landscape: the width box leads, the output becomes portrait 9:16 of the same width.
  EXPECT_TRUE(Active(Find<QLineEdit>("宽度框")));
  EXPECT_FALSE(Active(Find<QLineEdit>("高度框")));
  EXPECT_EQ(Find<QComboBox>("宽高比例")->currentIndex(), 7);
  EXPECT_EQ(Find<QComboBox>("宽高比例")->currentText(), " 横->竖 [9:16]");
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "1920");
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), "3412");  // 1920 * 1.777778, made even
  EXPECT_EQ(r.suggestedWidth, 1920);
  EXPECT_EQ(r.suggestedHeight, 3412);
  EXPECT_EQ(r.foregroundCountMax, 0);  // one 1920-wide copy does not fit twice across

  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "1920:1080");
  EXPECT_EQ(Find<QLabel>("处理时间")->text(), "00:00:05.00");
  EXPECT_EQ(Find<QLineEdit>("时长框")->text(), "00:00:05");
  EXPECT_EQ(Find<QLineEdit>("码率框")->text(), Q(r.foregroundBitrate));
  EXPECT_EQ(Find<QLineEdit>("格式框")->text(), ".mp4");

  // Sound: the foreground's own is used, mute is off.
  EXPECT_EQ(TickedAudio(), "前景音");
  EXPECT_TRUE(On(Find<QCheckBox>("前景音")));
  for (QWidget* c : std::initializer_list<QWidget*>{
           Find<QCheckBox>("降噪"), Find<QCheckBox>("柔化"), Find<QCheckBox>("前景镜像"),
           Find<QFrame>("操作框"), Find<QCheckBox>("重帧优化"), Find<QSlider>("背景模糊"),
           Find<QCheckBox>("上下跃动"), Find<QCheckBox>("左右跃动"), Find<QCheckBox>("迷幻"),
           Find<QCheckBox>("分量色变"), Find<QCheckBox>("视频淡入"), Find<QCheckBox>("视频淡出")})
    EXPECT_TRUE(On(c)) << c->objectName().toStdString();
  EXPECT_TRUE(On(Find<QPushButton>("保存任务")));  // add mode: a task can be added now
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(SourcePickersTest, PortraitAndSquareForegroundsChooseTheirOrientation) {
  struct Row {
    std::string clip;
    bool heightLeads;
    int ratioItem;
    const char *ratioText, *width, *height;
    int copies;
  } rows[] = {
      // 640 * 1.777778 = 1137.78 -> 1137 -> even 1136; three 360-wide copies fit in 1136.
      {ts::VideoWithoutSound(360, 640, 2, 25), true, 0, " 竖->横 [16:9]", "1136", "640", 3},
      {ts::VideoWithoutSound(480, 480, 2, 25), false, 7, " 横->竖 [9:16]", "480", "852", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.clip);
    PickForeground(row.clip);
    EXPECT_EQ(Active(Find<QLineEdit>("高度框")), row.heightLeads);
    EXPECT_EQ(Active(Find<QLineEdit>("宽度框")), !row.heightLeads);
    EXPECT_EQ(Find<QComboBox>("宽高比例")->currentIndex(), row.ratioItem);
    EXPECT_EQ(Find<QComboBox>("宽高比例")->currentText(), row.ratioText);
    EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), row.width);
    EXPECT_EQ(Find<QLineEdit>("高度框")->text(), row.height);
    EXPECT_EQ(std::to_string(Editor().current.suggestedWidth), row.width);
    EXPECT_EQ(std::to_string(Editor().current.suggestedHeight), row.height);
    EXPECT_EQ(Editor().current.foregroundCountMax, row.copies);
    EXPECT_EQ(Editor().storedCount, row.copies);
    if (row.copies >= 2) {
      EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), row.copies);
      EXPECT_EQ(Editor().current.selectedForegroundCount, Find<CountComboBox>("前景计数")->currentIndex());
    }
    // No sound: the foreground's sound cannot be chosen and the audio rule mutes.
    EXPECT_EQ(TickedAudio(), "静音");
    EXPECT_FALSE(On(Find<QCheckBox>("前景音")));
  }
}

TEST_F(SourcePickersTest, StillPictureIsNoForegroundButMakesABackground) {
  const std::string png = ts::StillPng(640, 480);
  PickForeground(png);
  const task::TaskRecord& r = Editor().current;
  EXPECT_EQ(Find<QLabel>("前景框")->text(), "必须为有效视频文件");
  ExpectNoForeground();
  EXPECT_EQ(TickedAudio(), "静音");
  // The duration was read before the picture was refused: the empty background takes it.
  EXPECT_EQ(r.backgroundDuration.rfind("N/A", 0), 0u) << r.backgroundDuration;

  Pick(Find<QPushButton>("背景按钮"), png);
  EXPECT_EQ(Find<QLabel>("背景框")->text(), Q(png));
  EXPECT_EQ(r.backgroundPath, task::Quote(png));
  EXPECT_EQ(r.backgroundKind, 1);
  EXPECT_EQ(r.backgroundWidth, 640);
  EXPECT_EQ(r.backgroundHeight, 480);
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "640:480");
  EXPECT_EQ(TickedAudio(), "静音");
  EXPECT_FALSE(On(Find<QCheckBox>("背景音")));
  EXPECT_EQ(Find<QSlider>("背景模糊")->value(), 5);
  EXPECT_TRUE(Find<QLabel>("动画预览")->isHidden());  // a still picture is no GIF
}

// Video fades need more than four seconds of foreground; an empty background's duration is
// the foreground's, a picked background keeps its own.
TEST_F(SourcePickersTest, ForegroundDurationDecidesFadesAndFillsAnEmptyBackgroundDuration) {
  auto pick = [&](int seconds, bool fades) {
    PickForeground(ts::VideoWithoutSound(320, 180, seconds, 25));
    EXPECT_EQ(Editor().current.foregroundKind, 3);
    EXPECT_EQ(Editor().current.foregroundDuration, "00:00:0" + std::to_string(seconds) + ".00");
    EXPECT_EQ(On(Find<QCheckBox>("视频淡入")), fades) << seconds << " s";
    EXPECT_EQ(On(Find<QCheckBox>("视频淡出")), fades) << seconds << " s";
    EXPECT_TRUE(On(Find<QCheckBox>("降噪")));
  };
  pick(4, false);
  EXPECT_EQ(Editor().current.backgroundDuration, "00:00:04.00");
  Pick(Find<QPushButton>("背景按钮"), ts::VideoWithoutSound(320, 180, 2, 25));
  EXPECT_EQ(Editor().current.backgroundDuration, "00:00:02.00");
  pick(5, true);
  EXPECT_EQ(Editor().current.backgroundDuration, "00:00:02.00");  // the background's own stays
  EXPECT_EQ(Find<QLabel>("处理时间")->text(), "00:00:05.00");
  pick(4, false);
}

TEST_F(SourcePickersTest, GifIsAcceptedAsForegroundAndAnimationWithPreview) {
  const std::string gif = ts::AnimatedGif(480, 270, 3, 10);
  window->show();
  PickForeground(gif);
  EXPECT_EQ(Editor().current.foregroundKind, 4);
  EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(gif));
  EXPECT_EQ(Editor().current.foregroundFps, "10");
  EXPECT_FALSE(Find<QLabel>("动画预览")->isHidden());
  ASSERT_NE(Editor().previewMovie, nullptr);
  EXPECT_EQ(Editor().previewMovie->fileName(), Q(gif));
  Editor().HidePreview();

  Pick(Find<QPushButton>("动画按钮"), gif);
  const task::TaskRecord& r = Editor().current;
  EXPECT_EQ(Find<QLabel>("动画框")->text(), Q(gif));
  EXPECT_EQ(r.animationPath, task::Quote(gif));
  EXPECT_EQ(r.animationKind, 4);
  EXPECT_EQ(r.animationDuration, "00:00:03.00");
  EXPECT_EQ(r.animationFps, "10");
  for (QWidget* c : std::initializer_list<QWidget*>{Find<QSlider>("动画模糊"), Find<QSlider>("动画透明"),
                                                    Find<QComboBox>("动画滤镜")})
    EXPECT_TRUE(On(c));
  EXPECT_EQ(Find<QSlider>("动画透明")->value(), 4);
  EXPECT_EQ(Find<QSlider>("动画模糊")->value(), 5);
  EXPECT_EQ(Find<QComboBox>("动画滤镜")->currentText(), "overlay");
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "480:270");
  EXPECT_FALSE(Find<QLabel>("动画预览")->isHidden());

  // A video is no animation: refused, and the animation controls are cleared.
  Pick(Find<QPushButton>("动画按钮"), ts::VideoWithoutSound(320, 180, 2, 25));
  EXPECT_EQ(Find<QLabel>("动画框")->text(), "必须为有效gif动画文件");
  EXPECT_EQ(r.animationKind, 0);
  EXPECT_EQ(r.animationPath, "");
  EXPECT_FALSE(On(Find<QComboBox>("动画滤镜")));
}

TEST_F(SourcePickersTest, SoundSourcesAcceptOnlyFilesWithSound) {
  const std::string audio = ts::AudioOnly(5);
  const task::TaskRecord& r = Editor().current;

  Pick(Find<QPushButton>("背景按钮"), audio);
  EXPECT_EQ(Find<QLabel>("背景框")->text(), "必须为有效视频或图片文件");
  EXPECT_EQ(r.backgroundKind, 0);
  EXPECT_EQ(r.backgroundPath, "");

  struct Row {
    std::string file;
    int kind;  // 0: refused
  } rows[] = {
      {audio, 2}, {ts::VideoWithoutSound(320, 180, 2, 25), 0}, {ts::VideoWithSound(320, 180, 2, 25), 5}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    Pick(Find<QPushButton>("音乐按钮"), row.file);
    const bool accepted = row.kind != 0;
    EXPECT_EQ(r.audioKind, row.kind);
    EXPECT_EQ(Find<QLabel>("音乐框")->text(), accepted ? Q(row.file) : QStringLiteral("必须为有效有声文件"));
    EXPECT_EQ(r.audioPath, accepted ? task::Quote(row.file) : "");
    EXPECT_EQ(TickedAudio(), accepted ? "音乐" : "静音");  // refused: nothing left to hear
    EXPECT_EQ(On(Find<QCheckBox>("音乐")), accepted);
    if (accepted) EXPECT_EQ(Find<QLabel>("处理时间")->text(), Q(r.audioDuration));
  }
}

TEST_F(SourcePickersTest, BackgroundSoundIsTickedOnlyWhenNoOtherSoundIsChosen) {
  const std::string withSound = ts::VideoWithSound(320, 180, 2, 25);
  PickForeground(ts::VideoWithoutSound(320, 180, 5, 25));
  ASSERT_EQ(TickedAudio(), "静音");
  Pick(Find<QPushButton>("背景按钮"), withSound);
  EXPECT_EQ(TickedAudio(), "背景音");
  EXPECT_TRUE(On(Find<QCheckBox>("背景音")));

  Editor().ClearBackground();
  PickForeground(ts::VideoWithSound(320, 180, 5, 25));
  ASSERT_EQ(TickedAudio(), "前景音");
  Pick(Find<QPushButton>("背景按钮"), withSound);
  EXPECT_EQ(TickedAudio(), "前景音");  // the foreground's sound is already chosen
  EXPECT_TRUE(On(Find<QCheckBox>("背景音")));
}

TEST_F(SourcePickersTest, ConverterRefusalLeavesTheFailureText) {
  const std::string folder = NewFolder("garbage");
  const std::string garbage = folder + "/noise.mp4";
  ASSERT_EQ(ts::Shell("head -c 4000 /dev/urandom > '" + garbage + "'"), 0);
  PickForeground(ts::VideoWithoutSound(320, 180, 5, 25));
  PickForeground(garbage);
  EXPECT_EQ(Find<QLabel>("前景框")->text(), "必须为有效视频文件");
  ExpectNoForeground();
  EXPECT_EQ(Editor().lastFolder[kForeground], folder + "/");  // moved whatever the outcome
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

// A name that is not UTF-8 (GBK bytes, as copied from Windows) reaches the dialog's text with
// U+FFFD in place of its bytes; the probe and the task still get the file's own bytes.
TEST_F(SourcePickersTest, NonUtf8NameIsPickedWithItsOwnBytes) {
  const std::string folder = ts::TempFolder() + "/gbk-\xb2\xe2";  // "测" in GBK, a folder too
  fs::create_directories(folder);
  const std::string clip = folder + "/\xca\xd3\xc6\xb5.mp4";  // "视频"
  fs::copy_file(ts::VideoWithSound(320, 180, 2), clip);
  const QString shown = QFile::decodeName(QByteArray::fromStdString(clip));
  ASSERT_TRUE(shown.contains(QChar::ReplacementCharacter));
  dialogs.fileAnswers.push_back(shown);
  Find<QPushButton>("前景按钮")->click();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
  EXPECT_EQ(Editor().current.foregroundPath, task::Quote(clip));
  EXPECT_EQ(Editor().current.foregroundKind, 5);
  EXPECT_EQ(Editor().current.foregroundDuration, "00:00:02.00");
}

TEST_F(SourcePickersTest, EmptyFileIsRefusedAndNothingChanges) {
  const std::string clip = ts::VideoWithoutSound(320, 180, 5, 25);
  PickForeground(clip);
  const std::string folderBefore = Editor().lastFolder[kForeground];
  const std::string empty = NewFolder("empty") + "/nothing.mp4";
  WriteFile(empty, "");

  PickForeground(empty);
  EXPECT_EQ(dialogs.errors, QStringList{kEmptyFile});
  EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(clip));
  EXPECT_EQ(Editor().current.foregroundPath, task::Quote(clip));
  EXPECT_EQ(Editor().current.foregroundKind, 3);
  EXPECT_EQ(Editor().lastFolder[kForeground], folderBefore);

  // A folder cannot be read as a file either.
  dialogs.errors.clear();
  Editor().ProbeRequest(Q(NewFolder("a-folder")), kAudio);
  EXPECT_EQ(dialogs.errors, QStringList{kEmptyFile});
  EXPECT_EQ(Editor().current.audioKind, 0);
}

TEST_F(SourcePickersTest, PathCheckLengthAndReservedTexts) {
  const std::string clip = ts::VideoWithoutSound(320, 180, 2, 25);
  const std::string base = NewFolder("len");
  // A file whose whole path is `bytes` long, with `mark` somewhere in its name.
  auto fileOf = [&](size_t bytes, const std::string& mark) {
    std::string head = base + "/" + mark;
    std::string name = head + std::string(bytes - head.size() - 4, 'a') + ".mp4";
    fs::copy_file(clip, name, fs::copy_options::overwrite_existing);
    return name;
  };
  auto inFolder = [&](const std::string& folder) { return ts::CopyInto(clip, base + "/" + folder); };
  ASSERT_EQ(fileOf(255, "").size(), 255u);
  struct Row {
    std::string path;
    QString message;
  } rows[] = {
      {fileOf(255, ""), ""},
      {fileOf(256, ""), kTooLong},
      {fileOf(256, "\""), kTooLong},  // the length decides the message
      {fileOf(255, "?"), ""},
      // The converter's output is judged by its level tags, so names holding its words
      // ("error", "invalid", " pal8,") are as good as any.
      {inFolder("Invalidated mirror_errors terror"), ""},
      {inFolder("a pal8, b failed! errer"), ""},
      {inFolder("tab\tin name"), kReserved},
      {inFolder("say \"hi\""), kReserved},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    dialogs.errors.clear();
    Editor().ResetForeground();
    Editor().lastFolder[kForeground] = "/before/";
    PickForeground(row.path);
    const bool accepted = row.message.isEmpty();
    EXPECT_EQ(dialogs.errors, accepted ? QStringList{} : QStringList{row.message});
    EXPECT_EQ(Editor().current.foregroundKind, accepted ? 3 : 0);
    EXPECT_EQ(Editor().lastFolder[kForeground], accepted ? plat::FolderOf(row.path) : "/before/");
    if (accepted) EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(row.path));
  }
}

TEST_F(SourcePickersTest, DialogTitlesFiltersAndFolders) {
  struct Row {
    QPushButton* picker;
    const char *title, *filter;
  } rows[] = {
      {Find<QPushButton>("前景按钮"), "打开前景视频，必须为常规格式的视频文件", ""},
      {Find<QPushButton>("背景按钮"),
       "打开背景视频，可使用视频或GIF动画文件，留空时使用前景文件自动生成背景虚化视频，推荐留空", ""},
      {Find<QPushButton>("动画按钮"), "打开动画文件，建议使用无缝循环内容的动画文件",
       "动画文件（*.gif） (*.gif)"},
      {Find<QPushButton>("音乐按钮"), "打开音频文件，可使用音频或带有音频的媒体文件", ""},
  };
  for (const auto& row : rows) {
    dialogs.fileRequests.clear();
    row.picker->click();  // cancelled
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, row.title);
    EXPECT_EQ(dialogs.fileRequests[0].filter, row.filter);
    EXPECT_EQ(dialogs.fileRequests[0].folder, Q(programFolder()));  // the start-up folder
  }
  EXPECT_EQ(Find<QLabel>("背景框")->text(), kPlaceholder);
}

TEST_F(SourcePickersTest, CancelKeepsAnExistingFileAndEmptiesAVanishedOne) {
  const std::string folder = NewFolder("vanish");
  const std::string fg = ts::CopyInto(ts::VideoWithoutSound(320, 180, 5, 25), folder);
  const std::string bg = ts::CopyInto(ts::StillPng(640, 480), folder);
  PickForeground(fg);
  Pick(Find<QPushButton>("背景按钮"), bg);
  ASSERT_EQ(Find<QLabel>("背景框")->text(), Q(bg));

  // Still there: the dialog opens in its folder and the box keeps it.
  Find<QPushButton>("前景按钮")->click();
  EXPECT_EQ(dialogs.fileRequests.back().folder, Q(folder + "/"));
  EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(fg));

  // Gone: the box is emptied (the background shows its hint) and the last folder is offered.
  fs::remove(fg);
  fs::remove(bg);
  Editor().lastFolder[kBackground] = "/tmp/";
  Find<QPushButton>("前景按钮")->click();
  EXPECT_EQ(Find<QLabel>("前景框")->text(), "");
  EXPECT_EQ(dialogs.fileRequests.back().folder, Q(folder + "/"));
  Find<QPushButton>("背景按钮")->click();
  EXPECT_EQ(Find<QLabel>("背景框")->text(), kPlaceholder);
  EXPECT_EQ(dialogs.fileRequests.back().folder, "/tmp/");
}

TEST_F(SourcePickersTest, ReloadProbesAgainOrPicksAnew) {
  const std::string fg = ts::CopyInto(ts::VideoWithoutSound(320, 180, 5, 25), NewFolder("reload"));
  PickForeground(fg);
  Find<QLineEdit>("宽度框")->setText("999");
  dialogs.fileRequests.clear();
  Find<QPushButton>("重载")->click();
  EXPECT_TRUE(dialogs.fileRequests.empty());  // probed again without asking
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "320");
  EXPECT_EQ(Editor().current.foregroundKind, 3);

  fs::remove(fg);
  Find<QPushButton>("重载")->click();  // gone: reset, then the picker (cancelled)
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, "打开前景视频，必须为常规格式的视频文件");
  EXPECT_EQ(Find<QLabel>("前景框")->text(), "");
  ExpectNoForeground();
  EXPECT_FALSE(On(Find<QCheckBox>("前景音")));
}

TEST_F(SourcePickersTest, ButtonsAreLockedDuringAProbeAndGivenBackAfter) {
  QPushButton* buttons[] = {
      Find<QPushButton>("前景按钮"), Find<QPushButton>("重载"),     Find<QPushButton>("背景按钮"),
      Find<QPushButton>("清空背景"), Find<QPushButton>("动画按钮"), Find<QPushButton>("清空动画"),
      Find<QPushButton>("音乐按钮"), Find<QPushButton>("清空音乐"), Find<QPushButton>("保存任务")};
  Find<QPushButton>("清空动画")->setEnabled(false);  // a state of its own that must come back unchanged
  ASSERT_FALSE(On(Find<QPushButton>("保存任务")));

  bool sawProbe = false;
  int busyDuring = 0;
  std::vector<bool> enabledDuring;
  QTimer::singleShot(0, window.get(), [&] {
    sawProbe = true;
    busyDuring = Editor().probeBusy;
    for (QPushButton* b : buttons) enabledDuring.push_back(On(b));
    // A second probe cannot start: the picker is disabled and a direct request is refused.
    dialogs.fileAnswers.push_back(Q(ts::AudioOnly(5)));
    Find<QPushButton>("音乐按钮")->click();
    Editor().ProbeRequest(Q(ts::AudioOnly(5)), kAudio);
  });
  PickForeground(ts::VideoWithoutSound(320, 180, 5, 25));

  ASSERT_TRUE(sawProbe) << "the window did not stay responsive during the probe";
  EXPECT_EQ(busyDuring, 1);
  EXPECT_EQ(enabledDuring, std::vector<bool>(std::size(buttons), false));
  EXPECT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(Editor().current.audioKind, 0);
  EXPECT_FALSE(Editor().probeBusy);
  for (QPushButton* b : buttons)
    EXPECT_EQ(On(b), b != Find<QPushButton>("清空动画")) << b->objectName().toStdString();
  dialogs.fileAnswers.clear();
}

class SourcePickersConverterTest : public SourcePickersTest {
 protected:
  void TearDown() override {
    setenv("PATH", savedPath_.c_str(), 1);
    SourcePickersTest::TearDown();
    probe::ResolveConverterAgain();
  }
  std::string savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
};

TEST_F(SourcePickersConverterTest, MissingConverterIsReportedAndNothingChanges) {
  setenv("PATH", "/nonexistent", 1);
  probe::ResolveConverterAgain();
  ASSERT_EQ(probe::ConverterPath(), "");
  const std::string folderBefore = Editor().lastFolder[kForeground];

  PickForeground(ts::VideoWithSound(320, 180, 2, 25));
  EXPECT_EQ(dialogs.errors, QStringList{Q(probe::MissingConverterMessage())});
  EXPECT_TRUE(dialogs.errors.value(0).contains("ffmpeg"));
  EXPECT_EQ(Find<QLabel>("前景框")->text(), "");
  EXPECT_EQ(Editor().current.foregroundKind, 0);
  EXPECT_EQ(Editor().lastFolder[kForeground], folderBefore);
  EXPECT_FALSE(On(Find<QPushButton>("保存任务")));
}

// A converter that prints no description at all (the real one always does, so a stand-in
// takes its place beside the program): the kind keeps its state, only the folder moves.
TEST_F(SourcePickersConverterTest, NoVerdictChangesNothingButTheLastFolder) {
  const std::string clip = ts::VideoWithoutSound(320, 180, 5, 25);
  PickForeground(clip);
  ASSERT_EQ(Editor().current.foregroundKind, 3);

  const std::string standIn = programFolder() + "/ffmpeg";
  WriteFile(standIn, "#!/bin/sh\necho 'this converter says nothing useful'\n");
  fs::permissions(standIn, fs::perms::owner_all);
  probe::ResolveConverterAgain();
  ASSERT_EQ(probe::ConverterPath(), plat::CanonicalPath(standIn));

  const std::string other = ts::CopyInto(clip, NewFolder("other"));
  PickForeground(other);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(Find<QLabel>("前景框")->text(), Q(clip));
  EXPECT_EQ(Editor().current.foregroundPath, task::Quote(clip));
  EXPECT_EQ(Editor().current.foregroundKind, 3);
  EXPECT_EQ(Editor().lastFolder[kForeground], plat::FolderOf(other));
  EXPECT_FALSE(Editor().probeBusy);
}
