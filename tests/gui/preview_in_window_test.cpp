// The preview from the window: the task being prepared (Ctrl+P / "预览当前设置") drawn again
// when a setting changes, and a stored task from the list's "预览".
#include <QSignalSpy>
#include <QTest>

#include "gui/preview_window.h"
#include "support/window_helpers.h"

namespace {

using namespace testing_support;
using namespace window_helpers;

class PreviewInWindowTest : public WindowCase {
 protected:
  app::PreviewWindow* Preview() { return window->findChild<app::PreviewWindow*>("预览窗口"); }
};

TEST_F(PreviewInWindowTest, FollowsThePreparedTaskAndShowsAStoredOne) {
  const std::string clip = CopyInto(VideoWithSound(320, 180, 2), NewFolder("preview"));
  PickForeground(clip);
  window->show();
  ASSERT_TRUE(Tasks().PrepareTaskMenu());
  EXPECT_TRUE(MenuEntry("预览当前设置")->isVisible());
  MenuEntry("预览当前设置")->trigger();
  app::PreviewWindow* preview = Preview();
  ASSERT_NE(preview, nullptr);
  QSignalSpy shown(preview, &app::PreviewWindow::frameShown);
  ASSERT_TRUE(shown.wait(60000));
  const QPixmap before = preview->findChild<QLabel*>("预览画面")->pixmap();
  ASSERT_FALSE(before.isNull());

  // A setting of the task being prepared changes: the preview draws again by itself.
  Find<QLineEdit>("宽度框")->setText("240");
  ASSERT_TRUE(shown.wait(60000));
  EXPECT_EQ(preview->findChild<QLabel*>("预览信息")->text(), "240×568");

  // 画面 is one of the settings: 裁切铺满 is drawn, and stored with the task.
  Find<QComboBox>("画面")->setCurrentIndex(2);
  ASSERT_TRUE(shown.wait(60000));
  EXPECT_EQ(preview->findChild<QLabel*>("预览信息")->text(), "240×568");

  // The stored task, from the list's pop-up menu.
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }));
  EXPECT_EQ(window->taskList().task(0).layout.kind, task::LayoutKind::Crop);
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
