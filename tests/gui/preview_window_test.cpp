// The preview window offscreen: a frame after a change, only the newest of two requests
// shown, the slider's keys, the few seconds from a late moment handed to the player and
// removed when the window closes, and the clip folders a dead flipframe left behind.
#include "gui/preview_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "gui/preview_folder.h"

#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace {

using namespace testing_support;

TEST(PreviewWindow, ShowsTheNewestRequestAndHandsTheClipToThePlayer) {
  const MadeInFolder own = MakeTaskInOwnFolder();
  const std::string& folder = own.folder;
  const pipeline::MadeTask& made = own.made;
  ASSERT_TRUE(made.ok) << made.refusal;

  bool sourceGone = false;
  QString played;
  {
    app::PreviewWindow window(
        [&](QString* why) -> std::optional<task::TaskRecord> {
          if (!sourceGone) return made.task;
          *why = "没有任务";
          return std::nullopt;
        },
        BuiltInEffects());
    window.openClip = [&](const QString& path) {
      played = path;
      return true;
    };
    QSignalSpy shown(&window, &app::PreviewWindow::frameShown);
    window.show();  // draws at once
    auto* slider = window.findChild<QSlider*>("预览时刻");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->maximum(), 3000);
    window.refresh();  // cancels the first request
    ASSERT_TRUE(shown.wait(60000));
    EXPECT_EQ(shown.takeFirst().at(0).toInt(), 2);
    auto* image = window.findChild<QLabel*>("预览画面");
    EXPECT_FALSE(image->pixmap().isNull());

    // A change, then another before the quiet moment is over: one new frame.
    slider->setValue(1000);
    slider->setValue(2000);
    ASSERT_TRUE(shown.wait(60000));
    EXPECT_EQ(shown.takeFirst().at(0).toInt(), 3);

    // Keys step by a second, a tenth of the clip and a frame; the time reads as a player's.
    slider->setValue(0);
    const struct {
      int key, expected;
    } steps[] = {{Qt::Key_Right, 1000}, {Qt::Key_PageUp, 1300}, {Qt::Key_Period, 1320},
                 {Qt::Key_Comma, 1280}, {Qt::Key_End, 3000},    {Qt::Key_Left, 2000}};
    for (const auto& step : steps) {
      QTest::keyClick(
          step.key == Qt::Key_Period || step.key == Qt::Key_Comma ? static_cast<QWidget*>(&window) : slider,
          Qt::Key(step.key));
      EXPECT_EQ(slider->value(), step.expected) << step.key;
    }
    EXPECT_EQ(window.findChild<QLabel*>("预览时间")->text(), "0:02.000 / 0:03.000");

    // From 2.5 s, five seconds asked: the half second that is left.
    slider->setValue(2500);
    QSignalSpy clipDone(&window, &app::PreviewWindow::clipFinished);
    window.findChild<QPushButton*>("试看")->click();
    ASSERT_TRUE(clipDone.wait(60000));
    EXPECT_EQ(clipDone.takeFirst().at(0).toString(), played);
    EXPECT_NEAR(MediaFacts(played.toStdString()).duration, 0.5, 0.1);
    EXPECT_TRUE(played.startsWith(QDir::tempPath() + "/flipframe-preview-")) << played.toStdString();

    sourceGone = true;
    window.refresh();
    EXPECT_EQ(window.findChild<QLabel*>("预览信息")->text(), "没有任务");
    window.close();
    EXPECT_FALSE(plat::FileExists(plat::FolderOf(played.toStdString())));  // removed when closed
  }
  plat::SetProgramFolderForTesting("");
}

TEST(PreviewWindow, StartRemovesOnlyTheClipFoldersOfDeadPrograms) {
  const QString temp = QString::fromStdString(TempFolder());
  const std::unique_ptr<QTemporaryDir> own = app::NewPreviewFolder(temp);
  ASSERT_TRUE(own);
  // Process 1 runs, but did not start at that tick; 2^22 is above Linux's highest number.
  const QStringList dead = {"flipframe-preview-1-999999999999-abcdef", "flipframe-preview-4194304-5-abcdef"};
  const QStringList kept = {"flipframe-preview-x-1-abcdef", "other-1-1-abcdef"};
  for (const QString& name : dead + kept) ASSERT_TRUE(QDir(temp).mkpath(name + "/sub"));
  EXPECT_EQ(app::RemoveDeadPreviewFolders(temp), 2);
  for (const QString& name : dead) EXPECT_FALSE(QDir(temp + "/" + name).exists()) << name.toStdString();
  for (const QString& name : kept) EXPECT_TRUE(QDir(temp + "/" + name).exists()) << name.toStdString();
  EXPECT_TRUE(QDir(own->path()).exists());
}

}  // namespace
