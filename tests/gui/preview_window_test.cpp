// The preview window offscreen: a frame after a change, only the newest of two requests
// shown, the few seconds handed to the player and removed with the window.
#include "gui/preview_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

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

    QSignalSpy clipDone(&window, &app::PreviewWindow::clipFinished);
    window.findChild<QPushButton*>("试看")->click();
    ASSERT_TRUE(clipDone.wait(60000));
    EXPECT_EQ(clipDone.takeFirst().at(0).toString(), played);
    EXPECT_GT(MediaFacts(played.toStdString()).duration, 0.5);

    sourceGone = true;
    window.refresh();
    EXPECT_EQ(window.findChild<QLabel*>("预览信息")->text(), "没有任务");
  }
  EXPECT_FALSE(plat::FileExists(played.toStdString()));  // removed with the window
  plat::SetProgramFolderForTesting("");
}

}  // namespace
