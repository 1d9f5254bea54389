// The preview from the window: the task being prepared (Ctrl+P / "预览当前设置") drawn again
// when a setting changes, the same picture for the task once stored, and in every layout the
// frame the batch's conversion makes at that moment; in 裁切铺满 the crop chosen by dragging.
#include <QSignalSpy>
#include <QTest>

#include "gui/preview_window.h"
#include "probe/converter.h"
#include "support/task_helpers.h"
#include "support/window_helpers.h"

namespace {

using namespace testing_support;
using namespace window_helpers;

class PreviewInWindowTest : public WindowCase {
 protected:
  app::PreviewWindow* Preview() { return window->findChild<app::PreviewWindow*>("预览窗口"); }

  // Opens the preview from the list's pop-up menu entry `entry` and waits for its frame.
  app::PreviewWindow* OpenPreview(const char* entry) {
    if (!Tasks().PrepareTaskMenu()) return nullptr;
    MenuEntry(entry)->trigger();
    app::PreviewWindow* preview = Preview();
    // A task that cannot be previewed says so at once; a frame comes from a worker.
    if (preview->findChild<QLabel*>("预览信息")->text() != QStringLiteral("正在生成预览…")) return preview;
    QSignalSpy shown(preview, &app::PreviewWindow::frameShown);
    return shown.wait(60000) ? preview : nullptr;
  }
};

TEST_F(PreviewInWindowTest, PreparedAndStoredTaskShowWhatTheBatchMakesInEveryLayout) {
  const std::string folder = NewFolder("preview");
  const std::string clip = CopyInto(VideoWithSound(320, 180, 2), folder);
  window->show();

  const struct {
    int item;  // of 画面
    task::LayoutKind kind;
    int dragX;  // pixels the picture is dragged sideways
  } cases[] = {{0, task::LayoutKind::Blur, 0},
               {1, task::LayoutKind::Colour, 0},
               {2, task::LayoutKind::Crop, 0},
               {2, task::LayoutKind::Crop, 60}};
  int stored = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item * 100 + c.dragX);
    // Each add leaves a new task: the clip picked again. A high bitrate keeps the encoder's
    // own loss out of the comparison.
    PickForeground(clip);
    if (Find<QCheckBox>("自动码率")->isChecked()) Find<QCheckBox>("自动码率")->click();
    Find<QLineEdit>("码率框")->setText("6000");
    Find<QComboBox>("编码速度")->setCurrentIndex(1);  // ultrafast
    app::PreviewWindow* preview = OpenPreview("预览当前设置");
    ASSERT_NE(preview, nullptr);
    ASSERT_FALSE(preview->shownFrame().isNull())
        << preview->findChild<QLabel*>("预览信息")->text().toStdString();
    QSignalSpy shown(preview, &app::PreviewWindow::frameShown);
    preview->findChild<QSlider*>("预览时刻")->setValue(1200);
    ASSERT_TRUE(shown.wait(60000));
    if (Find<QComboBox>("画面")->currentIndex() != c.item) {
      Find<QComboBox>("画面")->setCurrentIndex(c.item);
      ASSERT_TRUE(shown.wait(60000));
    }
    if (c.dragX) {
      // The picture follows the pointer: dragged right, the crop goes left.
      auto* picture = preview->findChild<QLabel*>("预览画面");
      const QPoint middle = picture->rect().center();
      QTest::mousePress(picture, Qt::LeftButton, {}, middle);
      QTest::mouseMove(picture, middle + QPoint(c.dragX, 0));
      QTest::mouseRelease(picture, Qt::LeftButton, {}, middle + QPoint(c.dragX, 0));
      ASSERT_TRUE(shown.wait(60000));
    }
    const QImage prepared = preview->shownFrame().toImage();
    const QString message = preview->findChild<QLabel*>("预览信息")->text();
    ASSERT_FALSE(prepared.isNull()) << message.toStdString();

    Find<QPushButton>("保存任务")->click();
    ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == stored + 1; }));
    const task::TaskRecord task = window->taskList().task(stored);
    EXPECT_EQ(task.layout.kind, c.kind);
    if (c.dragX)
      EXPECT_TRUE(task.layout.cropPercent > 0 && task.layout.cropPercent < 50) << task.layout.cropPercent;
    else
      EXPECT_EQ(task.layout.cropPercent, 50);
    if (c.kind == task::LayoutKind::Crop)
      EXPECT_TRUE(message.contains(QString("裁切位置 %1%").arg(task.layout.cropPercent)))
          << message.toStdString();

    // The stored task previews alike.
    Find<QTableView>("列表框")->selectRow(stored++);
    app::PreviewWindow* storedPreview = OpenPreview("预览");
    ASSERT_NE(storedPreview, nullptr);
    QSignalSpy storedShown(storedPreview, &app::PreviewWindow::frameShown);
    storedPreview->findChild<QSlider*>("预览时刻")->setValue(1200);
    ASSERT_TRUE(storedShown.wait(60000));
    EXPECT_EQ(storedPreview->shownFrame().toImage(), prepared);

    // And the batch's conversion makes that picture at that moment.
    const ConverterRun run = RunConverter(task.commandLine, false, 120000);
    ASSERT_TRUE(run.exited && run.status == 0) << run.output;
    const std::string cut = folder + "/cut.png", previewed = folder + "/preview.png";
    ASSERT_EQ(Shell("ffmpeg -v error -nostdin -y -ss 1.2 -i '" +
                    probe::SplitArguments(task.commandLine).back() + "' -frames:v 1 '" + cut + "'"),
              0);
    ASSERT_TRUE(prepared.save(QString::fromStdString(previewed)));
    // The crop enlarges the small clip three times: brightness tells a crop 20% off (about
    // 0.5) from the same one (above 0.97).
    EXPECT_GE(Ssim(previewed, cut, SsimOf::Brightness), 0.95);
  }
}

}  // namespace

namespace {

// 智能跟随: the whole clip is analysed once, with its progress on show, and then each moment
// is drawn from the kept analysis, as the batch will take it.
TEST_F(PreviewInWindowTest, FollowIsAnalysedOnceAndThenPreviewed) {
  const std::string folder = NewFolder("follow");
  setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
  window->show();
  PickForeground(CopyInto(VideoWithSound(320, 180, 2), folder));
  Find<QComboBox>("画面")->setCurrentIndex(3);
  app::PreviewWindow* preview = OpenPreview("预览当前设置");
  ASSERT_NE(preview, nullptr);
  auto* message = preview->findChild<QLabel*>("预览信息");
  EXPECT_TRUE(message->text().startsWith("智能跟随：正在分析整段视频")) << message->text().toStdString();
  QSignalSpy shown(preview, &app::PreviewWindow::frameShown);
  ASSERT_TRUE(shown.wait(60000)) << message->text().toStdString();
  ASSERT_FALSE(preview->shownFrame().isNull()) << message->text().toStdString();
  EXPECT_GT(preview->shownFrame().height(), preview->shownFrame().width());
  EXPECT_EQ(Capture("ls '" + folder + "/cache/flipframe/reframe' | grep -c txt"), "1\n");

  preview->findChild<QSlider*>("预览时刻")->setValue(1500);
  ASSERT_TRUE(shown.wait(60000));
  EXPECT_FALSE(preview->shownFrame().isNull()) << message->text().toStdString();
  EXPECT_FALSE(message->text().startsWith("智能跟随")) << message->text().toStdString();
  unsetenv("XDG_CACHE_HOME");
}

}  // namespace
