// The preview from the window: the task being prepared (Ctrl+P / "预览当前设置") drawn again
// when a setting changes, and a stored task from the list's "预览".
#include <QSignalSpy>
#include <QTest>

#include "gui/preview_window.h"
#include "support/window_helpers.h"

namespace {

class PreviewInWindowTest : public WindowCase {
 protected:
  app::PreviewWindow* Preview() { return window->findChild<app::PreviewWindow*>("预览窗口"); }
};

TEST_F(PreviewInWindowTest, FollowsThePreparedTaskAndShowsAStoredOne) {
  const std::string clip = CopyInto(VideoWithSound(320, 180, 2), NewFolder("preview"));
  PickForeground(clip);
  window->show();
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  app::PreviewWindow* preview = Preview();
  ASSERT_NE(preview, nullptr);
  QSignalSpy shown(preview, &app::PreviewWindow::frameShown);
  ASSERT_TRUE(shown.wait(60000));
  const QPixmap before = preview->findChild<QLabel*>("预览画面")->pixmap();
  ASSERT_FALSE(before.isNull());

  // A setting of the task being prepared changes: the preview draws again by itself.
  Find<QLineEdit>("宽度框")->setText("240");
  Find<QComboBox>("宽高比例")->setCurrentIndex(Find<QComboBox>("宽高比例")->currentIndex());
  ASSERT_TRUE(shown.wait(60000));
  EXPECT_EQ(preview->findChild<QLabel*>("预览信息")->text(), "240×426");

  // The stored task, from the list's pop-up menu.
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }));
  Find<QTableView>("列表框")->selectRow(0);
  ASSERT_TRUE(Tasks().PrepareTaskMenu());
  EXPECT_TRUE(MenuEntry("预览")->isVisible());
  MenuEntry("预览")->trigger();
  preview = Preview();
  QSignalSpy storedShown(preview, &app::PreviewWindow::frameShown);
  ASSERT_TRUE(storedShown.wait(60000));
  EXPECT_FALSE(preview->findChild<QLabel*>("预览画面")->pixmap().isNull());
}

}  // namespace
