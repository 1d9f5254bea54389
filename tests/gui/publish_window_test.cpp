// 发布设置 in the window: a target sets the size boxes and goes with the task together with
// the titles, {name} filled in, and the logo picked in the dialog; a task shown again shows
// its target, texts and logo.
#include <QDialog>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "support/task_helpers.h"
#include "support/window_helpers.h"

namespace {

using namespace testing_support;
using namespace window_helpers;

class PublishWindowTest : public WindowCase {};

TEST_F(PublishWindowTest, TargetAndTitlesGoWithTheTask) {
  const std::string clip = CopyInto(VideoWithSound(320, 180, 1), NewFolder("publish"));
  const std::string name = std::filesystem::path(clip).stem().string();
  PickForeground(clip);
  Find<QPushButton>("发布按钮")->click();
  auto* dialog = Find<QDialog>("发布设置");
  ASSERT_TRUE(dialog && dialog->isVisible());
  auto* target = Find<QComboBox>("发布目标");
  ASSERT_EQ(target->itemText(0), "自定义");
  target->setCurrentIndex(target->findText("方形 1:1 1080×1080"));
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "1080");
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), "1080");
  EXPECT_EQ(Find<QLineEdit>("格式框")->text(), ".mp4");
  Find<QLineEdit>("标题框")->setText("{index}. {name}\\n第二行");
  Find<QLineEdit>("描边颜色")->setText("ff0000");

  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }))
      << dialogs.errors.join('\n').toStdString();
  const task::TaskRecord made = window->taskList().task(0);
  EXPECT_EQ(made.target.name, "square");
  EXPECT_EQ(made.outputWidth, 1080);
  EXPECT_EQ(made.bandTexts.title, "1. " + name + "\n第二行");
  EXPECT_EQ(made.bandTexts.outline, "FF0000");
  EXPECT_TRUE(Has(made.commandLine, "drawtext=textfile="));

  // 自定义 again: the next task has no target; the stored one shows its own when edited.
  target->setCurrentIndex(0);
  EXPECT_EQ(target->currentIndex(), 0);
  Find<QTableView>("列表框")->selectRow(0);
  Editor().ShowTask(made);
  EXPECT_EQ(target->currentText(), "方形 1:1 1080×1080");
  EXPECT_EQ(Find<QLineEdit>("标题框")->text().toStdString(), "1. " + name + "\\n第二行");

  // Loaded for editing after the dialog was set otherwise, and saved again: it keeps them.
  target->setCurrentIndex(0);
  Find<QLineEdit>("标题框")->clear();
  Find<QTableView>("列表框")->selectRow(0);
  Editor().LoadTaskForEdit();
  Find<QLineEdit>("码率框")->setText("900");
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().task(0).bitrate == "900"; }))
      << dialogs.errors.join('\n').toStdString();
  EXPECT_EQ(window->taskList().task(0).target, made.target);
  EXPECT_EQ(window->taskList().task(0).bandTexts, made.bandTexts);
}

TEST_F(PublishWindowTest, LogoPickedInTheDialogGoesWithTheTask) {
  const std::string folder = NewFolder("logo");
  const std::string clip = CopyInto(VideoWithSound(320, 180, 1), folder);
  const std::string png = CopyInto(StillPng(64, 48), folder), notes = folder + "/notes.png";
  std::ofstream(notes) << "not a picture\n";
  PickForeground(clip);
  Find<QPushButton>("发布按钮")->click();
  auto* path = Find<QLabel>("Logo框");

  // A file the converter cannot read as a picture is refused and changes nothing.
  dialogs.fileAnswers.push_back(QString::fromStdString(notes));
  Find<QPushButton>("Logo按钮")->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(Has(dialogs.errors[0].toStdString(), "notes.png”必须为图片（PNG、JPG）或 GIF 动画文件"));
  EXPECT_EQ(path->text(), "无");
  dialogs.fileAnswers.push_back(QString::fromStdString(png));
  Find<QPushButton>("Logo按钮")->click();
  EXPECT_EQ(path->text().toStdString(), png);
  Find<QComboBox>("Logo位置")->setCurrentIndex(2);  // 左下
  Find<QSpinBox>("Logo不透明度")->setValue(80);

  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }))
      << dialogs.errors.join('\n').toStdString();
  const task::TaskRecord made = window->taskList().task(0);
  EXPECT_TRUE(made.logo ==
              (task::Logo{task::Quote(png), task::kKindStill, task::LogoPlace::BottomLeft, 15, 3, 80}));
  EXPECT_TRUE(Has(made.commandLine, "colorchannelmixer=aa=0.8[logo]"));

  // Cleared, the next task has none; the stored one shows its own when edited.
  Find<QPushButton>("清空Logo")->click();
  EXPECT_EQ(path->text(), "无");
  Editor().ShowTask(made);
  EXPECT_EQ(path->text().toStdString(), png);
  EXPECT_EQ(Find<QComboBox>("Logo位置")->currentIndex(), 2);
}

// Further targets ticked under 同时输出 become outputs of the same run; the target chosen
// above counts once, and a task shown again shows its ticks.
TEST_F(PublishWindowTest, FurtherTargetsAreOutputsOfTheSameRun) {
  PickForeground(CopyInto(VideoWithSound(320, 180, 1), NewFolder("outputs")));
  Find<QPushButton>("发布按钮")->click();
  auto* target = Find<QComboBox>("发布目标");
  auto* more = Find<QListWidget>("更多目标");
  EXPECT_FALSE(more->isEnabled());  // 自定义: one output, as before
  target->setCurrentIndex(target->findText("方形 1:1 1080×1080"));
  ASSERT_TRUE(more->isEnabled());
  for (const char* label : {"横版 16:9 1920×1080", "方形 1:1 1080×1080"})
    more->findItems(label, Qt::MatchExactly).front()->setCheckState(Qt::Checked);

  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(WaitFor([&] { return window->taskList().size() == 1; }))
      << dialogs.errors.join('\n').toStdString();
  const task::TaskRecord made = window->taskList().task(0);
  ASSERT_EQ(made.moreOutputs.size(), 1u);
  EXPECT_EQ(made.moreOutputs[0].settings.name, "landscape-16x9");
  EXPECT_EQ(made.moreOutputs[0].width, 1920);
  EXPECT_TRUE(Has(made.commandLine, "_1x1_tmp.mp4\"") && Has(made.commandLine, "_16x9_tmp.mp4\""));

  for (int i = 0; i < more->count(); ++i) more->item(i)->setCheckState(Qt::Unchecked);
  Editor().ShowTask(made);
  QStringList ticked;
  for (int i = 0; i < more->count(); ++i)
    if (more->item(i)->checkState() == Qt::Checked) ticked << more->item(i)->text();
  EXPECT_EQ(ticked, QStringList{"横版 16:9 1920×1080"});
}

}  // namespace
