// Task operations: show, load, clone and reset work on stored records directly; add and
// save run the whole chain against the real converter (probe, validation, command, trial).
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

#include <fstream>
#include <string>

#include "support/window_fixture.h"
#include "task/task_record.h"

namespace ts = testing_support;

namespace {

std::string MakeFile(const std::string& folder, const std::string& name) {
  plat::MakeDirs(folder);
  const std::string path = folder + "/" + name;
  std::ofstream(path) << "x";
  return path;
}

QString Vanished(const std::string& quoted) {
  return QStringLiteral(" 无法读取") + QString::fromStdString(quoted) + QStringLiteral("，请检查");
}

}  // namespace

class TaskOperationsTest : public WindowTest {
 protected:
  QTableWidget* list() { return window->列表框; }

  // Stores a record as an add leaves it.
  void Store(const task::TaskRecord& r) {
    const int row = list()->rowCount();
    list()->insertRow(row);
    window->tasks.push_back(r);
    window->WriteRowCells(row, r);
    window->RenumberRows(row);
  }

  task::TaskRecord Record(const std::string& foreground, int k = 1) {
    task::TaskRecord r;
    r.foregroundPath = task::Quote(foreground);
    r.backgroundPath = r.foregroundPath;
    r.outputWidth = 1080;
    r.outputHeight = 1920;
    r.outputDuration = "00:00:0" + std::to_string(k);
    r.outputFormat = ".mp4";
    r.bitrate = "1500";
    r.commandLine = "command " + std::to_string(k);
    return r;
  }

  void StoreMany(int n) {
    for (int k = 1; k <= n; ++k) {
      task::TaskRecord r = Record("/nonexistent/flipframe/clip" + std::to_string(k) + ".mp4", k);
      r.finalOutputPath = "/nonexistent/out" + std::to_string(k);
      Store(r);
      list()->item(k - 1, 5)->setText(QStringLiteral("2.0"));
      list()->item(k - 1, 6)->setText(QStringLiteral("处理完毕"));
    }
  }

  void Load(int row) {
    list()->selectRow(row);
    window->LoadClickedTask();
  }

  // Picks `path` as the foreground through the picker, as a person would.
  void PickForeground(const std::string& path) {
    dialogs.fileAnswers.push_back(QString::fromStdString(path));
    window->前景按钮->click();
  }

  // True when AddOrSaveTask let the event loop run (a trial run waits responsively); the
  // caption shown at that moment is kept in `captionDuring`.
  bool RunsATrial(QString* captionDuring = nullptr) {
    bool ran = false;
    QTimer::singleShot(0, window.get(), [&] {
      ran = true;
      if (captionDuring) *captionDuring = window->保存任务->text();
    });
    window->保存任务->click();
    const bool result = ran;
    if (!ran) QCoreApplication::processEvents();  // let the probe timer go before `ran` dies
    return result;
  }
};

TEST_F(TaskOperationsTest, ShowTaskMarksVanishedFilesAndEmptiesUnusedBoxes) {
  const std::string folder = ts::TempFolder() + "/show";
  const std::string fg = MakeFile(folder, "front.mp4"), bg = MakeFile(folder, "back.mp4");
  const std::string gif = MakeFile(folder, "anim.gif"), audio = MakeFile(folder, "song.m4a");

  task::TaskRecord full = Record(fg);
  full.backgroundPath = task::Quote(bg);
  full.animationPath = task::Quote(gif);
  full.audioPath = task::Quote(audio);
  window->ShowTask(full);
  EXPECT_EQ(window->前景框->text(), QString::fromStdString(fg));
  EXPECT_EQ(window->背景框->text(), QString::fromStdString(bg));
  EXPECT_EQ(window->动画框->text(), QString::fromStdString(gif));
  EXPECT_EQ(window->音乐框->text(), QString::fromStdString(audio));

  std::remove(gif.c_str());
  std::remove(fg.c_str());
  window->ShowTask(full);
  EXPECT_EQ(window->前景框->text(), Vanished(full.foregroundPath));
  EXPECT_EQ(window->动画框->text(), Vanished(full.animationPath));
  EXPECT_EQ(window->音乐框->text(), QString::fromStdString(audio));

  // A task without background, animation or audio after one with them.
  window->ShowTask(Record(bg));
  EXPECT_EQ(window->背景框->text(), QStringLiteral("留空则复制前景视频制作背景视频(推荐)"));
  EXPECT_TRUE(window->动画框->text().isEmpty());
  EXPECT_TRUE(window->音乐框->text().isEmpty());
}

// The record's tick and disabled order must match the controls both ways: what ShowTask
// writes, ReadTaskFromControls reads back into the same fields.
TEST_F(TaskOperationsTest, ShownTaskReadsBackIntoTheSameSettings) {
  task::TaskRecord r = Record("/nonexistent/flipframe/a.mp4");
  r.outputWidth = 1280;
  r.outputHeight = 720;
  r.outputDuration = "00:00:04";
  r.outputFormat = ".mkv";
  r.bitrate = "2500";
  r.ratioIndex = 3;
  r.blendModeIndex = 5;
  r.backgroundBlur = 2;
  r.animationBlur = 7;
  r.animationOpacity = 9;
  for (int t = 0; t < task::kTickCount; ++t) r.ticks[t] = t % 3 == 0;
  for (int d = 0; d < task::kOffCount; ++d) r.disabled[d] = d % 2 == 1;
  window->操作框->setEnabled(true);
  window->ShowTask(r);

  task::TaskRecord back;
  window->ReadTaskFromControls(back);
  EXPECT_EQ(back.outputWidth, 1280);
  EXPECT_EQ(back.outputHeight, 720);
  EXPECT_EQ(back.outputDuration, "00:00:04");
  EXPECT_EQ(back.outputFormat, ".mkv");
  EXPECT_EQ(back.bitrate, "2500");
  EXPECT_EQ(back.ratioIndex, 3);
  EXPECT_EQ(back.blendModeIndex, 5);
  EXPECT_EQ(back.backgroundBlur, 2);
  EXPECT_EQ(back.animationBlur, 7);
  EXPECT_EQ(back.animationOpacity, 9);
  for (int t = 0; t < task::kTickCount; ++t) EXPECT_EQ(back.ticks[t], r.ticks[t]) << "tick " << t;
  for (int d = 0; d < task::kOffCount; ++d)
    EXPECT_EQ(back.disabled[d], r.disabled[d]) << "disabled " << d;
}

TEST_F(TaskOperationsTest, LoadedTaskCanBeSavedUnlessItIsBeingConverted) {
  struct Case {
    const char* state;
    bool batch;
    bool saveEnabled;
  };
  const Case cases[] = {
      {"", false, true},          {"处理完毕", false, true}, {"手动停止", false, true},
      {"输出错误(格式无效)", false, true}, {"文件缺失", false, true},
      {"准备数据", false, false}, {"37.5％", false, false}, {"处理完毕", true, false},
  };
  StoreMany(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    window->NewTask();
    list()->item(1, 6)->setText(QString::fromUtf8(c.state));
    window->batchActive = c.batch;
    Load(1);
    EXPECT_EQ(MainWindow::OwnEnabled(window->保存任务), c.saveEnabled);
    EXPECT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));
    EXPECT_EQ(window->currentRow, 2);
    EXPECT_EQ(window->current.commandLine, "command 2");
    EXPECT_EQ(window->时长框->text(), QStringLiteral("00:00:02"));
  }
  window->batchActive = false;
}

TEST_F(TaskOperationsTest, CloneOfRowThreeOfFiveIsInsertedAsRowFour) {
  StoreMany(5);
  list()->item(2, 5)->setText(QStringLiteral("3.3"));
  list()->selectRow(2);
  window->CloneTask();

  ASSERT_EQ(list()->rowCount(), 6);
  ASSERT_EQ(window->tasks.size(), 6u);
  const int clips[] = {1, 2, 3, 3, 4, 5};
  for (int row = 0; row < 6; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(list()->item(row, 0)->text(), QString::number(row + 1));
    const std::string path = "/nonexistent/flipframe/clip" + std::to_string(clips[row]) + ".mp4";
    EXPECT_EQ(list()->item(row, 1)->text(), QString::fromStdString(path));
    EXPECT_EQ(window->tasks[row].foregroundPath, task::Quote(path));
  }
  EXPECT_TRUE(list()->item(3, 5)->text().isEmpty());
  EXPECT_TRUE(list()->item(3, 6)->text().isEmpty());
  EXPECT_EQ(list()->item(3, 2)->text(), QStringLiteral("1080x1920"));
  EXPECT_EQ(list()->item(4, 6)->text(), QStringLiteral("处理完毕"));
  EXPECT_TRUE(window->tasks[3].finalOutputPath.empty());
  EXPECT_EQ(window->tasks[2].finalOutputPath, "/nonexistent/out3");
  EXPECT_EQ(window->tasks[3].commandLine, "command 3");
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/6"));
}

TEST_F(TaskOperationsTest, TheLimitOfAThousandStopsCloneAndAddBeforeValidation) {
  StoreMany(1000);
  list()->selectRow(10);
  window->CloneTask();
  window->NewTask();  // empty boxes: validation would complain if it ran
  window->保存任务->click();
  EXPECT_EQ(dialogs.errors, (QStringList{QStringLiteral("加入任务数量上限为1000个。"),
                                         QStringLiteral("加入任务数量上限为1000个。")}));
  EXPECT_EQ(list()->rowCount(), 1000);
  EXPECT_EQ(window->tasks.size(), 1000u);
}

TEST_F(TaskOperationsTest, NewTaskResetsControlsAndRecord) {
  task::TaskRecord r = Record("/nonexistent/flipframe/a.mp4");
  r.foregroundWidth = 1920;
  r.foregroundHeight = 1080;
  r.backgroundDuration = "00:00:09.00";
  r.ticks.fill(1);
  r.disabled.fill(0);
  r.ratioIndex = 7;
  Store(r);
  Load(0);
  window->NewTask();

  EXPECT_TRUE(window->前景框->text().isEmpty());
  EXPECT_EQ(window->背景框->text(), QStringLiteral("留空则复制前景视频制作背景视频(推荐)"));
  for (QLineEdit* box : {window->宽度框, window->高度框, window->时长框, window->格式框, window->码率框})
    EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
  EXPECT_TRUE(window->自动码率->isChecked());
  EXPECT_TRUE(window->静音->isChecked());
  for (QCheckBox* box : {window->前景音, window->音乐, window->迷幻, window->重帧优化, window->视频淡出}) {
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_FALSE(MainWindow::OwnEnabled(box)) << box->objectName().toStdString();
  }
  EXPECT_FALSE(MainWindow::OwnEnabled(window->操作框));
  EXPECT_EQ(window->动画透明->value(), 4);
  EXPECT_EQ(window->宽高比例->currentIndex(), -1);
  EXPECT_EQ(window->前景计数->count(), 0);
  EXPECT_EQ(window->SelectedRow(), -1);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(MainWindow::OwnEnabled(window->保存任务));
  // Nothing of the loaded task's sources survives in the record of the new one.
  EXPECT_EQ(window->current.foregroundWidth, 0);
  EXPECT_TRUE(window->current.backgroundDuration.empty());
}

// ---- add and save against the real converter ------------------------------------------

class AddTaskTest : public TaskOperationsTest {
 protected:
  void SetUp() override {
    TaskOperationsTest::SetUp();
    folder_ = ts::TempFolder() + "/add-" + std::to_string(++counter_);
    clip_ = ts::CopyInto(ts::VideoWithSound(320, 180, 3), folder_);
  }
  // Picks the landscape clip, sets the output duration and presses 添加任务.
  void AddClip(const char* duration = "00:00:02") {
    PickForeground(clip_);
    ASSERT_EQ(window->前景框->text(), QString::fromStdString(clip_));
    window->时长框->setText(QString::fromUtf8(duration));
    window->保存任务->click();
  }
  std::string folder_, clip_;
  static inline int counter_ = 0;
};

TEST_F(AddTaskTest, AddedTaskIsStoredWithItsCommandsAndTheControlsReset) {
  QString caption;
  PickForeground(clip_);
  window->时长框->setText(QStringLiteral("00:00:02"));
  ASSERT_TRUE(RunsATrial(&caption));
  EXPECT_EQ(caption, QStringLiteral("请稍候.."));
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();

  ASSERT_EQ(list()->rowCount(), 1);
  ASSERT_EQ(window->tasks.size(), 1u);
  const task::TaskRecord& t = window->tasks[0];
  EXPECT_EQ(list()->item(0, 0)->text(), QStringLiteral("1"));
  EXPECT_EQ(list()->item(0, 1)->text(), QString::fromStdString(clip_));
  EXPECT_EQ(list()->item(0, 2)->text(), QStringLiteral("320x568"));
  EXPECT_EQ(list()->item(0, 4)->text(), QStringLiteral(".mp4"));
  EXPECT_TRUE(list()->item(0, 6)->text().isEmpty());
  EXPECT_EQ(t.foregroundPath, task::Quote(clip_));
  EXPECT_EQ(t.outputDuration, "00:00:02");
  EXPECT_NE(t.commandLine.find(task::Quote(clip_)), std::string::npos);
  EXPECT_FALSE(t.trialCommand.empty());
  EXPECT_NE(t.trialCommand, t.commandLine);
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/1"));
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(window->前景框->text().isEmpty());
  EXPECT_TRUE(window->trialCommandText.empty());
  for (QFrame* panel : {window->操作框, window->路径框, window->按钮框})
    EXPECT_TRUE(MainWindow::OwnEnabled(panel)) << panel->objectName().toStdString();
}

TEST_F(AddTaskTest, RefusedTrialStoresNothingAndKeepsTheControls) {
  PickForeground(clip_);
  window->时长框->setText(QStringLiteral("00:00:02"));
  window->格式框->setText(QStringLiteral(".nosuchformat"));
  window->保存任务->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("发生错误：")))
      << dialogs.errors[0].toStdString();
  EXPECT_EQ(list()->rowCount(), 0);
  EXPECT_TRUE(window->tasks.empty());
  EXPECT_EQ(window->前景框->text(), QString::fromStdString(clip_));
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(MainWindow::OwnEnabled(window->按钮框));
}

TEST_F(AddTaskTest, SavingWithoutChangeRunsNoTrialButADurationChangeDoes) {
  AddClip();
  ASSERT_EQ(window->tasks.size(), 1u);
  list()->item(0, 5)->setText(QStringLiteral("3.1"));
  list()->item(0, 6)->setText(QStringLiteral("处理完毕"));
  window->tasks[0].finalOutputPath = folder_ + "/result/clip_1.mp4";
  const std::string command = window->tasks[0].commandLine;

  Load(0);
  ASSERT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));
  EXPECT_FALSE(RunsATrial());
  EXPECT_EQ(list()->item(0, 6)->text(), QStringLiteral("处理完毕"));
  EXPECT_EQ(window->tasks[0].finalOutputPath, folder_ + "/result/clip_1.mp4");
  EXPECT_EQ(window->tasks[0].commandLine, command);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));

  window->时长框->setText(QStringLiteral("00:00:01"));
  QString caption;
  EXPECT_TRUE(RunsATrial(&caption));
  EXPECT_EQ(caption, QStringLiteral("请稍候.."));
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  EXPECT_EQ(window->tasks[0].outputDuration, "00:00:01");
  EXPECT_NE(window->tasks[0].commandLine, command);
  EXPECT_TRUE(window->tasks[0].finalOutputPath.empty());
  EXPECT_TRUE(list()->item(0, 5)->text().isEmpty());
  EXPECT_TRUE(list()->item(0, 6)->text().isEmpty());
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));
  EXPECT_EQ(list()->rowCount(), 1);
}

TEST_F(AddTaskTest, The999thTaskMayBeAddedTheThousandthNot) {
  StoreMany(999);
  AddClip();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  ASSERT_EQ(list()->rowCount(), 1000);
  EXPECT_EQ(list()->item(999, 0)->text(), QStringLiteral("1000"));
  EXPECT_EQ(list()->item(999, 1)->text(), QString::fromStdString(clip_));
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/1000"));

  AddClip();
  EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("加入任务数量上限为1000个。")});
  EXPECT_EQ(list()->rowCount(), 1000);
  EXPECT_EQ(window->tasks.size(), 1000u);
  EXPECT_EQ(window->前景框->text(), QString::fromStdString(clip_)) << "the controls keep their values";
}

// A duration typed longer than the clip is stored as the clip's full length while the box
// shows its first eight characters; saving that unchanged must not count as a change.
TEST_F(AddTaskTest, SavingAFullLengthTaskUnchangedRunsNoTrial) {
  AddClip("00:00:10");
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  ASSERT_EQ(window->tasks.size(), 1u);
  const std::string full = window->tasks[0].outputDuration;
  ASSERT_GT(full.size(), 8u) << full;
  list()->item(0, 6)->setText(QStringLiteral("处理完毕"));

  Load(0);
  EXPECT_EQ(window->时长框->text().toStdString(), full.substr(0, 8));
  EXPECT_FALSE(RunsATrial());
  EXPECT_EQ(window->tasks[0].outputDuration, full);
  EXPECT_EQ(list()->item(0, 6)->text(), QStringLiteral("处理完毕"));
}
