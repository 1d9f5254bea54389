// Adding several files at once through the window (批量添加视频…): the files are tried side
// by side, yet the tasks come in the files' order and the refused ones in one summary; the
// window's 编码速度 goes with every task, as with a single add, and comes back with it.
#include <QTest>

#include "support/task_helpers.h"
#include "support/window_helpers.h"

namespace {

using namespace testing_support;
using namespace window_helpers;

class BatchAddTest : public WindowCase {};

TEST_F(BatchAddTest, FilesKeepTheirOrderTheSummaryAndTheEncoderPreset) {
  const std::string folder = NewFolder("batch add");
  const std::string single = CopyInto(VideoWithSound(320, 180, 1), folder + "/single");
  PickForeground(single);
  auto* preset = Find<QComboBox>("编码速度");
  ASSERT_EQ(preset->itemText(0), "默认");
  preset->setCurrentIndex(preset->findText("veryfast"));
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }));
  EXPECT_EQ(window->taskList().task(0).encoderPreset, "veryfast");

  // Not in name order, the first the slowest to try, with a file that is no video and a
  // portrait one (the ratio chosen is "横->竖") between.
  QStringList files;
  for (const char* name : {"c.mp4", "a.mp4", "broken.mp4", "portrait.mp4", "b.mkv"}) {
    const std::string path = folder + "/" + name, n = name;
    const std::string clip = n == "c.mp4"          ? VideoWithSound(1920, 1080, 2)
                             : n == "portrait.mp4" ? VideoWithoutSound(180, 320, 1)
                                                   : VideoWithoutSound(320, 180, 1);
    if (n == "broken.mp4")
      WriteFile(path, "no video");
    else
      ASSERT_EQ(Shell("cp '" + clip + "' '" + path + "'"), 0);
    files << Q(path);
  }
  preset->setCurrentIndex(preset->findText("ultrafast"));
  Find<QComboBox>("宽高比例")->setCurrentIndex(7);  // 横->竖 [9:16]
  dialogs.filesAnswers.push_back(files);
  MenuEntry("批量添加视频…")->trigger();

  ASSERT_EQ(window->taskList().size(), 4);
  for (int row = 1; row < 4; ++row) {
    const task::TaskRecord& t = window->taskList().task(row);
    EXPECT_EQ(t.foregroundPath, task::Quote(files[row < 3 ? row - 1 : 4].toStdString())) << row;
    EXPECT_EQ(t.encoderPreset, "ultrafast") << row;
    EXPECT_TRUE(Has(t.commandLine, " -preset ultrafast -y ")) << row;
  }
  ASSERT_EQ(dialogs.warnings.size(), 1);
  const QStringList summary = dialogs.warnings[0].split('\n');
  ASSERT_EQ(summary.size(), 3) << dialogs.warnings[0].toStdString();
  EXPECT_EQ(summary[0], "已加入 3 个任务，2 个文件未加入");
  EXPECT_TRUE(summary[1].startsWith(files[2] + "：")) << summary[1].toStdString();
  EXPECT_EQ(summary[2], files[3] + "：竖屏视频不适用所选的“横->竖”比例，已跳过。");

  // The first task, clicked, shows its own choice.
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  auto* list = Find<QTableView>("列表框");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(window->taskList().index(0, 1)).center());
  EXPECT_EQ(preset->currentText(), "veryfast");
}

}  // namespace
