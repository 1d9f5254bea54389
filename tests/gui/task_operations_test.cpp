// Task operations: show, load, clone and reset work on stored records directly; add and
// save run the whole chain against the real converter (probe, validation, command, trial).
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTimer>

#include <fstream>
#include <string>
#include <tuple>

#include "pipeline/follow_prep.h"
#include "support/task_helpers.h"
#include "support/window_fixture.h"

namespace ts = testing_support;

class TaskOperationsTest : public WindowTest {
 protected:
  QTableView* list() { return Find<QTableView>("列表框"); }
  QString Tip(int row, int column) {
    return Tasks().taskList->data(Tasks().taskList->index(row, column), Qt::ToolTipRole).toString();
  }
  QString Cell(int row, int column) {
    return Tasks().taskList->data(Tasks().taskList->index(row, column)).toString();
  }

  void Load(int row) {
    list()->selectRow(row);
    Tasks().LoadClickedTask();
  }

  // Picks `path` as the foreground through the picker, as a person would.
  void PickForeground(const std::string& path) {
    dialogs.fileAnswers.push_back(QString::fromStdString(path));
    Find<QPushButton>("前景按钮")->click();
  }

  // True when the save button let the event loop run (a trial run waits responsively); the
  // caption shown at that moment is kept in `captionDuring`.
  bool RunsATrial(QString* captionDuring = nullptr) {
    bool ran = false;
    QTimer::singleShot(0, window.get(), [&] {
      ran = true;
      if (captionDuring) *captionDuring = Find<QPushButton>("保存任务")->text();
    });
    Find<QPushButton>("保存任务")->click();
    const bool result = ran;
    if (!ran) QCoreApplication::processEvents();  // let the timer go before `ran` dies
    return result;
  }
};

TEST_F(TaskOperationsTest, ShowTaskMarksVanishedFilesAndEmptiesUnusedBoxes) {
  const std::string folder = ts::TempFolder() + "/show";
  plat::MakeDirs(folder);
  std::string fg = folder + "/front.mp4", bg = folder + "/back.mp4", gif = folder + "/anim.gif",
              audio = folder + "/song.m4a";
  for (const std::string& path : {fg, bg, gif, audio}) std::ofstream(path) << "x";

  task::TaskRecord full = ts::ListedTask(1);
  full.foregroundPath = task::Quote(fg);
  full.backgroundPath = task::Quote(bg);
  full.animationPath = task::Quote(gif);
  full.audioPath = task::Quote(audio);
  auto boxes = [this] {
    return QStringList{Find<QLabel>("前景框")->text(), Find<QLabel>("背景框")->text(),
                       Find<QLabel>("动画框")->text(), Find<QLabel>("音乐框")->text()};
  };
  auto q = [](const std::string& s) { return QString::fromStdString(s); };
  Editor().ShowTask(full);
  EXPECT_EQ(boxes(), (QStringList{q(fg), q(bg), q(gif), q(audio)}));

  std::remove(gif.c_str());
  std::remove(fg.c_str());
  Editor().ShowTask(full);
  EXPECT_EQ(boxes(), (QStringList{ts::VanishedText(full.foregroundPath), q(bg),
                                  ts::VanishedText(full.animationPath), q(audio)}));

  // A task without background, animation or audio after one with them.
  Editor().ShowTask(ts::ListedTask(2));
  EXPECT_EQ(boxes(), (QStringList{ts::VanishedText(task::Quote(ts::ListedClip(2))),
                                  "留空则复制前景视频制作背景视频(推荐)", "", ""}));
}

// The record's tick and disabled order must match the controls both ways: what ShowTask
// writes, ReadTaskFromControls reads back into the same fields.
TEST_F(TaskOperationsTest, ShownTaskReadsBackIntoTheSameSettings) {
  task::TaskRecord r = ts::ListedTask(4);
  r.outputWidth = 1280, r.outputHeight = 720, r.outputFormat = ".mkv", r.bitrate = "2500";
  r.ratioIndex = 3, r.blendModeIndex = 5, r.backgroundBlur = 2, r.animationBlur = 7, r.animationOpacity = 9;
  for (int t = 0; t < task::kTickCount; ++t) r.ticks[t] = t % 3 == 0;
  for (int d = 0; d < task::kOffCount; ++d) r.disabled[d] = d % 2 == 1;
  Find<QFrame>("操作框")->setEnabled(true);
  Editor().ShowTask(r);

  task::TaskRecord back;
  Editor().ReadTaskFromControls(back);
  auto settings = [](const task::TaskRecord& t) {
    return std::tie(t.outputWidth, t.outputHeight, t.outputDuration, t.outputFormat, t.bitrate, t.ratioIndex,
                    t.blendModeIndex, t.backgroundBlur, t.animationBlur, t.animationOpacity, t.ticks,
                    t.disabled);
  };
  EXPECT_EQ(settings(back), settings(r));
}

TEST_F(TaskOperationsTest, LoadedTaskCanBeSavedUnlessItIsBeingConverted) {
  const struct {
    std::string state;
    bool batch, saveEnabled;
  } cases[] = {
      {"", false, true},         {"处理完毕", false, true},
      {"手动停止", false, true}, {"输出错误(格式无效)", false, true},
      {"文件缺失", false, true}, {"准备数据", false, false},
      {"37.5％", false, false},  {pipeline::AnalysisStateText(0.4), false, false},
      {"处理完毕", true, false},
  };
  ts::StoreListedTasks(*window, 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    Editor().NewTask();
    Tasks().taskList->setState(1, QString::fromStdString(c.state));
    Batch().runner->ForceFlagsForTest({.active = c.batch});
    Load(1);
    EXPECT_EQ(gui::OwnEnabled(Find<QPushButton>("保存任务")), c.saveEnabled);
    EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));
    EXPECT_EQ(Tasks().CurrentRow(), 2);
    EXPECT_EQ(Editor().current.commandLine, "command 2");
    EXPECT_EQ(Find<QLineEdit>("时长框")->text(), QStringLiteral("00:00:02"));
  }
  Batch().runner->ForceFlagsForTest({});
}

TEST_F(TaskOperationsTest, CloneOfRowThreeOfFiveIsInsertedAsRowFour) {
  ts::StoreListedTasks(*window, 5);
  list()->selectRow(2);
  Tasks().CloneTask();

  ASSERT_EQ(Tasks().taskList->size(), 6);
  ASSERT_EQ(Tasks().taskList->rows().size(), 6u);
  const int clips[] = {1, 2, 3, 3, 4, 5};
  for (int row = 0; row < 6; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Cell(row, 0), QString::number(row + 1));
    // The file column shows the file's name, its tooltip the full path.
    EXPECT_EQ(Cell(row, 1), QStringLiteral("clip%1.mp4").arg(clips[row]));
    EXPECT_EQ(Tasks().taskList->data(Tasks().taskList->index(row, 1), Qt::ToolTipRole).toString(),
              QString::fromStdString(ts::ListedClip(clips[row])));
    EXPECT_EQ(Tasks().taskList->task(row).foregroundPath, task::Quote(ts::ListedClip(clips[row])));
  }
  // The clone has the cells and command of row 3 but neither its speed, state nor output.
  EXPECT_EQ(Cell(3, 2), QStringLiteral("1080x1920"));
  EXPECT_TRUE(Cell(3, 5).isEmpty());
  EXPECT_TRUE(Cell(3, 6).isEmpty());
  EXPECT_EQ(Cell(4, 6), QStringLiteral("处理完毕"));
  EXPECT_TRUE(Tasks().taskList->task(3).finalOutputPath.empty());
  EXPECT_EQ(Tasks().taskList->task(2).finalOutputPath, ts::ListedTask(3).finalOutputPath);
  EXPECT_EQ(Tasks().taskList->task(3).commandLine, "command 3");
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("5/6"));  // the clone is not finished
}

// Clone, new task and add each stop at the limit before anything else happens.
TEST_F(TaskOperationsTest, TheLimitOfAThousandStopsCloneNewTaskAndAddBeforeValidation) {
  ts::StoreListedTasks(*window, 1000);
  list()->selectRow(10);
  Tasks().CloneTask();
  Find<QLineEdit>("宽度框")->setText(QStringLiteral("720"));
  Find<QPushButton>("新建任务")->click();
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), QStringLiteral("720"));
  EXPECT_TRUE(dialogs.fileRequests.empty());
  Editor().NewTask();  // empty boxes: validation would complain if it ran
  Find<QPushButton>("保存任务")->click();
  EXPECT_EQ(dialogs.errors, QStringList(3, QStringLiteral("加入任务数量上限为1000个。")));
  EXPECT_EQ(Tasks().taskList->size(), 1000);
  EXPECT_EQ(Tasks().taskList->rows().size(), 1000u);
}

TEST_F(TaskOperationsTest, NewTaskButtonResetsControlsAndRecordAndOpensThePicker) {
  task::TaskRecord r = ts::ListedTask(1);
  r.foregroundWidth = 1920, r.foregroundHeight = 1080, r.backgroundDuration = "00:00:09.00";
  r.ticks.fill(1);
  r.disabled.fill(0);
  r.ratioIndex = 7;
  ts::StoreTask(*window, r);
  Load(0);
  ASSERT_EQ(Find<QLineEdit>("宽度框")->text(), QStringLiteral("1080"));
  Find<QPushButton>("新建任务")->click();

  EXPECT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(Tasks().CurrentRow(), 0);
  EXPECT_TRUE(Find<QLabel>("前景框")->text().isEmpty());
  EXPECT_EQ(Find<QLabel>("背景框")->text(), QStringLiteral("留空则复制前景视频制作背景视频(推荐)"));
  for (QLineEdit* box : {Find<QLineEdit>("宽度框"), Find<QLineEdit>("高度框"), Find<QLineEdit>("时长框"),
                         Find<QLineEdit>("格式框"), Find<QLineEdit>("码率框")})
    EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
  EXPECT_TRUE(Find<QCheckBox>("自动码率")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("静音")->isChecked());
  for (QCheckBox* box : {Find<QCheckBox>("前景音"), Find<QCheckBox>("音乐"), Find<QCheckBox>("迷幻"),
                         Find<QCheckBox>("重帧优化"), Find<QCheckBox>("视频淡出")}) {
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_FALSE(gui::OwnEnabled(box)) << box->objectName().toStdString();
  }
  EXPECT_FALSE(gui::OwnEnabled(Find<QFrame>("操作框")));
  EXPECT_EQ(Find<QSlider>("动画透明")->value(), 4);
  EXPECT_EQ(Find<QComboBox>("宽高比例")->currentIndex(), -1);
  EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), 0);
  EXPECT_EQ(Tasks().SelectedRow(), -1);
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(gui::OwnEnabled(Find<QPushButton>("保存任务")));
  // Nothing of the loaded task's sources survives in the record of the new one.
  EXPECT_EQ(Editor().current.foregroundWidth, 0);
  EXPECT_TRUE(Editor().current.backgroundDuration.empty());
}

// ---- add and save against the real converter ------------------------------------------

class AddTaskTest : public TaskOperationsTest {
 protected:
  void SetUp() override {
    TaskOperationsTest::SetUp();
    folder_ = ts::TempFolder() + "/add-" + std::to_string(++counter_);
    clip_ = ts::CopyInto(ts::VideoWithSound(320, 180, 3), folder_);
  }
  // Picks the landscape clip and sets the output duration, ready for 添加任务.
  void Prepare(const char* duration = "00:00:02") {
    PickForeground(clip_);
    ASSERT_EQ(Find<QLabel>("前景框")->text(), QString::fromStdString(clip_));
    Find<QLineEdit>("时长框")->setText(QString::fromUtf8(duration));
  }
  QString Errors() const { return dialogs.errors.join("|"); }
  std::string folder_, clip_;
  static inline int counter_ = 0;
};

TEST_F(AddTaskTest, AddedTaskIsStoredWithItsCommandsAndTheControlsReset) {
  QString caption;
  Prepare();
  ASSERT_TRUE(RunsATrial(&caption));
  EXPECT_EQ(caption, QStringLiteral("请稍候.."));
  ASSERT_TRUE(dialogs.errors.isEmpty()) << Errors().toStdString();

  ASSERT_EQ(Tasks().taskList->size(), 1);
  ASSERT_EQ(Tasks().taskList->rows().size(), 1u);
  const task::TaskRecord& t = Tasks().taskList->task(0);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));
  EXPECT_EQ(Tip(0, 1), QString::fromStdString(clip_));  // the cell shows the name, its tooltip the path
  EXPECT_EQ(Cell(0, 2), QStringLiteral("320x568"));
  EXPECT_EQ(Cell(0, 4), QStringLiteral(".mp4"));
  EXPECT_TRUE(Cell(0, 6).isEmpty());
  EXPECT_EQ(t.foregroundPath, task::Quote(clip_));
  EXPECT_EQ(t.outputDuration, "00:00:02");
  EXPECT_NE(t.commandLine.find(task::Quote(clip_)), std::string::npos);
  EXPECT_FALSE(t.trialCommand.empty());
  EXPECT_NE(t.trialCommand, t.commandLine);
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("0/1"));
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(Find<QLabel>("前景框")->text().isEmpty());
  EXPECT_TRUE(Batch().trialCommandText.empty());
  for (QFrame* panel : {Find<QFrame>("操作框"), Find<QFrame>("路径框"), Find<QFrame>("按钮框")})
    EXPECT_TRUE(gui::OwnEnabled(panel)) << panel->objectName().toStdString();
}

TEST_F(AddTaskTest, RefusedTrialStoresNothingAndKeepsTheControls) {
  Prepare();
  Find<QLineEdit>("格式框")->setText(QStringLiteral(".nosuchformat"));
  Find<QPushButton>("保存任务")->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("发生错误："))) << Errors().toStdString();
  EXPECT_EQ(Tasks().taskList->size(), 0);
  EXPECT_TRUE(Tasks().taskList->rows().empty());
  EXPECT_EQ(Find<QLabel>("前景框")->text(), QString::fromStdString(clip_));
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(gui::OwnEnabled(Find<QFrame>("按钮框")));
}

// A duration typed longer than the clip is stored as the clip's full length while the box
// shows its first eight characters: saving that unchanged is no change (no trial, the row
// keeps its state and output); a shorter duration is one.
TEST_F(AddTaskTest, SavingWithoutChangeRunsNoTrialButADurationChangeDoes) {
  Prepare("00:00:10");
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << Errors().toStdString();
  ASSERT_EQ(Tasks().taskList->rows().size(), 1u);
  const std::string full = Tasks().taskList->task(0).outputDuration,
                    command = Tasks().taskList->task(0).commandLine;
  ASSERT_GT(full.size(), 8u) << full;
  Tasks().taskList->setSpeed(0, QStringLiteral("3.1"));
  Tasks().taskList->setState(0, QStringLiteral("处理完毕"));
  Tasks().taskList->setFinalOutputPath(0, folder_ + "/result/clip_1.mp4");

  Load(0);
  ASSERT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));
  EXPECT_EQ(Find<QLineEdit>("时长框")->text().toStdString(), full.substr(0, 8));
  EXPECT_FALSE(RunsATrial());
  EXPECT_EQ(Cell(0, 6), QStringLiteral("处理完毕"));
  EXPECT_EQ(Tasks().taskList->task(0).finalOutputPath, folder_ + "/result/clip_1.mp4");
  EXPECT_EQ(Tasks().taskList->task(0).outputDuration, full);
  EXPECT_EQ(Tasks().taskList->task(0).commandLine, command);
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));

  Find<QLineEdit>("时长框")->setText(QStringLiteral("00:00:01"));
  QString caption;
  EXPECT_TRUE(RunsATrial(&caption));
  EXPECT_EQ(caption, QStringLiteral("请稍候.."));
  ASSERT_TRUE(dialogs.errors.isEmpty()) << Errors().toStdString();
  EXPECT_EQ(Tasks().taskList->task(0).outputDuration, "00:00:01");
  EXPECT_NE(Tasks().taskList->task(0).commandLine, command);
  EXPECT_TRUE(Tasks().taskList->task(0).finalOutputPath.empty());
  EXPECT_TRUE(Cell(0, 5).isEmpty());
  EXPECT_TRUE(Cell(0, 6).isEmpty());
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));
  EXPECT_EQ(Tasks().taskList->size(), 1);
}

TEST_F(AddTaskTest, The999thTaskMayBeAddedTheThousandthNot) {
  ts::StoreListedTasks(*window, 999);
  Prepare();
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << Errors().toStdString();
  ASSERT_EQ(Tasks().taskList->size(), 1000);
  EXPECT_EQ(Cell(999, 0), QStringLiteral("1000"));
  EXPECT_EQ(Tip(999, 1), QString::fromStdString(clip_));  // the cell shows the name, its tooltip the path
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("999/1000"));  // the listed tasks are finished

  Prepare();
  Find<QPushButton>("保存任务")->click();
  EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("加入任务数量上限为1000个。")});
  EXPECT_EQ(Tasks().taskList->size(), 1000);
  EXPECT_EQ(Tasks().taskList->rows().size(), 1000u);
  EXPECT_EQ(Find<QLabel>("前景框")->text(), QString::fromStdString(clip_))
      << "the controls keep their values";
}
