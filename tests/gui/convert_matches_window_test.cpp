// `flipframe convert --dry-run` prints the very command the window stores for the same
// settings: both make their tasks through the same pipeline.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "support/window_fixture.h"

namespace ts = testing_support;

class ConvertMatchesWindowTest : public WindowTest {
 protected:
  void Answer(const std::string& path) { dialogs.fileAnswers.push_back(QString::fromStdString(path)); }

  void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }

  // The command the window stores for its first task.
  std::string StoredCommand() {
    Find<QPushButton>("保存任务")->click();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
    return window->taskList->rows().empty() ? std::string() : window->taskList->task(0).commandLine;
  }

  static std::string DryRun(const std::string& args) {
    return ts::Capture("'" + std::string(FLIPFRAME_BINARY) + "' convert --dry-run " + args + " 2>/dev/null");
  }
};

TEST_F(ConvertMatchesWindowTest, LandscapeClipWithMusicAndDenoise) {
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), ts::TempFolder() + "/same-land");
  const std::string music = ts::AudioOnly(3);
  Answer(clip);
  Find<QPushButton>("新建任务")->click();
  Choose(Find<QComboBox>("宽高比例"), QStringLiteral(" 横->竖 [3:4]"));
  Answer(music);
  Find<QPushButton>("音乐按钮")->click();
  Find<QCheckBox>("降噪")->click();
  const std::string stored = StoredCommand();
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(DryRun("--ratio 3:4 --music '" + music + "' --denoise '" + clip + "'"), stored + "\n");
}

TEST_F(ConvertMatchesWindowTest, PortraitClipAsTwoCopiesWithATypedWidth) {
  const std::string clip = ts::CopyInto(ts::VideoWithoutSound(180, 320, 2), ts::TempFolder() + "/same-port");
  Answer(clip);
  Find<QPushButton>("新建任务")->click();
  Choose(Find<QComboBox>("宽高比例"), QStringLiteral(" 竖->横 [21:9]"));
  window->ActivateWidthBox();  // a click into the width box
  Find<QLineEdit>("宽度框")->setText(QStringLiteral("700"));
  Find<QPushButton>("比例计算")->click();
  Choose(Find<CountComboBox>("前景计数"), QStringLiteral("2"));
  const std::string stored = StoredCommand();
  ASSERT_FALSE(stored.empty());
  EXPECT_NE(stored.find("overlay"), std::string::npos);
  EXPECT_EQ(DryRun("--ratio 21:9 --width 700 --copies 2 '" + clip + "'"), stored + "\n");
}

// 快速背景 reaches the stored command, as --fast-background does on the command line.
TEST_F(ConvertMatchesWindowTest, FastBackgroundSwitch) {
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), ts::TempFolder() + "/same-fast");
  Answer(clip);
  Find<QPushButton>("新建任务")->click();
  Choose(Find<QComboBox>("宽高比例"), QStringLiteral(" 横->竖 [9:16]"));
  Find<QCheckBox>("快速背景")->click();
  const std::string stored = StoredCommand();
  ASSERT_FALSE(stored.empty());
  EXPECT_TRUE(window->taskList->task(0).fastBackground);
  EXPECT_NE(stored, DryRun("--ratio 9:16 '" + clip + "'"));
  EXPECT_EQ(DryRun("--ratio 9:16 --fast-background '" + clip + "'"), stored + "\n");
}
