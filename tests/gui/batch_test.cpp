// The batch runner in the real window, offscreen, against the real converter: row states,
// finished rows skipped, missing sources, stop, pause then stop, failures, the gap between
// two tasks, and the trial run with its message and clipboard.
#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "batch/process_control.h"
#include "batch/progress.h"
#include "batch/task_worker.h"
#include "gui/status_note.h"
#include "probe/converter.h"
#include "store/window_settings.h"
#include "support/task_helpers.h"
#include "support/window_fixture.h"
#include "task/command_builder.h"

namespace {

namespace ts = testing_support;

class BatchTest : public WindowTest {
 protected:
  void SetUp() override {
    media = ts::TempFolder() + "/batch-media-" + std::to_string(++counter_);
    setenv("XDG_STATE_HOME", (media + "-state").c_str(), 1);
    WindowTest::SetUp();
    plat::MakeDirs(media + "/result");
  }
  void TearDown() override {
    EXPECT_TRUE(batch::OwnedConverters().empty()) << "a converter was left running";
    WindowTest::TearDown();
  }

  // A 320x180 clip with sound of its own, `name`.mp4 in the media folder.
  std::string Clip(const std::string& name) {
    const std::string path = media + "/" + name + ".mp4";
    if (!plat::FileExists(path)) std::filesystem::copy_file(ts::VideoWithSound(320, 180, 2), path);
    return path;
  }
  std::string Temporary(const std::string& name) const { return media + "/result/" + name + "_tmp.mp4"; }
  std::string Final(const std::string& name, int n = 1) const {
    return media + "/result/" + name + "_" + std::to_string(n) + ".mp4";
  }
  // A row and its stored task, as an add leaves them: `foreground`, a 320x180 clip, turned
  // portrait. `adjust` changes the record before it is stored. The batch runs the command the
  // builder makes from these fields.
  void AddTask(const std::string& foreground, const std::function<void(task::TaskRecord&)>& adjust = {}) {
    task::TaskRecord r = ts::TurnedTask(foreground, 320, 180, 2);
    r.encoderPreset = "ultrafast";  // the batch is under test, not the encoder
    if (adjust) adjust(r);
    ts::StoreTask(*window, r);
  }
  // A task with little work a second that converts for a while: the 320x180 clip `name`.mp4
  // turned portrait, all `seconds` of it.
  void AddLongTask(const std::string& name, int seconds = 60) {
    const std::string path = media + "/" + name + ".mp4";
    if (!plat::FileExists(path)) std::filesystem::copy_file(ts::VideoWithSound(320, 180, seconds), path);
    task::TaskRecord r = ts::TurnedTask(path, 320, 180, seconds);
    r.outputDuration = r.foregroundDuration.substr(0, 8);
    ts::StoreTask(*window, r);
  }

  QString State(int row) const { return ts::RowState(*window, row); }

  // Runs `check` every 50 ms while the batch (a nested event loop) runs; it stops itself by
  // returning true.
  void WhileRunning(std::function<bool()> check) {
    auto* timer = new QTimer(window.get());
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
      if (check()) timer->stop();
    });
    timer->start();
  }

  void ExpectIdleWindow() {
    EXPECT_EQ(Find<QPushButton>("开始执行")->text(), "开始执行");
    EXPECT_FALSE(gui::OwnEnabled(Find<QPushButton>("暂停执行")));
    for (QWidget* w : std::initializer_list<QWidget*>{Find<QFrame>("路径框"), Find<QPushButton>("新建任务"),
                                                      Find<QPushButton>("保存任务")})
      EXPECT_TRUE(gui::OwnEnabled(w)) << w->objectName().toStdString();
    EXPECT_FALSE(Find<QTimer>("时钟")->isActive());
    EXPECT_FALSE(Batch().runner->converting());
    EXPECT_FALSE(Batch().runner->stopRequested());
    EXPECT_FALSE(Batch().runner->active());
  }

  // Counts every value of the overall bar that runs ahead of the rows: ended rows count
  // whole, running rows as far as their 执行状态 says.
  int* CountBarAheadOfRows() {
    auto* ahead = new int(0);
    barAhead_.reset(ahead);
    QObject::connect(Find<QProgressBar>("总进度"), &QProgressBar::valueChanged, window.get(),
                     [this, ahead](int value) {
                       double rows = 0;
                       for (int row = 0; row < Tasks().taskList->size(); ++row) {
                         const QString state = Tasks().taskList->state(row);
                         if (state.endsWith("％"))
                           rows += state.chopped(1).toDouble() / 100;
                         else if (!state.isEmpty() && state != "准备数据")
                           rows += 1;
                       }
                       if (value > rows * 1000 + 1) ++*ahead;
                     });
    return ahead;
  }

  std::string media;

 private:
  static inline int counter_ = 0;
  std::unique_ptr<int> barAhead_;
};

TEST_F(BatchTest, EmptyListOnlyShowsItsMessage) {
  auto snapshot = [this] {
    QStringList s;
    for (QWidget* w : std::initializer_list<QWidget*>{
             Find<QFrame>("路径框"), Find<QPushButton>("新建任务"), Find<QPushButton>("保存任务"),
             Find<QPushButton>("暂停执行"), Find<QPushButton>("开始执行")})
      s << QString::number(gui::OwnEnabled(w));
    return s << Find<QPushButton>("开始执行")->text() << Find<QPushButton>("暂停执行")->text()
             << Find<QLabel>("处理进度")->text();
  };
  const QStringList before = snapshot();
  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(dialogs.errors, QStringList{"尚未添加任务到任务列表。"});
  EXPECT_EQ(snapshot(), before);
  EXPECT_FALSE(Find<QTimer>("时钟")->isActive());
  EXPECT_FALSE(Batch().runner->active());
  EXPECT_FALSE(Batch().runner->converting());
}

TEST_F(BatchTest, ThreeTasksConvertAndFinishedRowsAreSkippedNextTime) {
  for (const char* name : {"a", "b", "c"}) {
    // A landscape clip to portrait 180x320 through the real command builder, as an add stores it.
    task::TaskRecord t = ts::TurnedTask(Clip(name), 320, 180, 2);
    t.ticks[task::kTickForegroundSound] = 1;
    const task::BuildResult built =
        task::BuildCommand(t, task::BuildMode::Full, task::DiskEnvironment(Editor().effectFilters));
    EXPECT_EQ(built.outputPath, Temporary(name));
    t.commandLine = built.text;
    ts::StoreTask(*window, t);
  }
  Batch().elapsedSeconds = 99;

  // What the window shows while the batch runs.
  bool sawRunningWindow = false;
  WhileRunning([&] {
    if (!Batch().runner->converting()) return false;
    sawRunningWindow = Find<QPushButton>("开始执行")->text() == "停止执行" &&
                       gui::OwnEnabled(Find<QPushButton>("暂停执行")) &&
                       !gui::OwnEnabled(Find<QFrame>("路径框")) &&
                       !gui::OwnEnabled(Find<QPushButton>("新建任务")) &&
                       !gui::OwnEnabled(Find<QPushButton>("保存任务")) && Find<QTimer>("时钟")->isActive() &&
                       Find<QTimer>("时钟")->interval() == 1000 && Batch().runner->active();
    return true;
  });
  Find<QPushButton>("开始执行")->click();

  EXPECT_TRUE(sawRunningWindow);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  for (int row = 0; row < 3; ++row) {
    const std::string name(1, char('a' + row));
    EXPECT_EQ(State(row), "处理完毕") << name;
    EXPECT_EQ(Tasks().taskList->task(row).finalOutputPath, Final(name));
    const ts::ProbeFacts facts = ts::MediaFacts(Final(name));
    EXPECT_EQ(facts.width, 180) << name;
    EXPECT_EQ(facts.height, 320) << name;
    EXPECT_FALSE(plat::FileExists(Temporary(name)));
  }
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "3/3");
  EXPECT_LT(Batch().elapsedSeconds, 99);  // the clock started again from 0
  ExpectIdleWindow();

  // A second batch passes over the finished rows at once and converts nothing again.
  Find<QPushButton>("开始执行")->click();
  for (int row = 0; row < 3; ++row) EXPECT_EQ(State(row), "处理完毕");
  for (const char* name : {"a", "b", "c"}) EXPECT_FALSE(plat::FileExists(Final(name, 2))) << name;
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "3/3");
  ExpectIdleWindow();
}

TEST_F(BatchTest, MissingSourcesAndFailuresAreReportedAndTheBatchGoesOn) {
  AddTask(Clip("a"));
  AddTask(media + "/gone.mp4");  // foreground missing
  AddTask(Clip("b"), [&](task::TaskRecord& r) { r.audioPath = task::Quote(media + "/gone.m4a"); });
  AddTask(Clip("c"), [&](task::TaskRecord& r) { r.backgroundPath = task::Quote(media + "/gone-bg.mp4"); });
  AddTask(Clip("d"), [&](task::TaskRecord& r) { r.animationPath = task::Quote(media + "/gone.gif"); });
  AddTask(Clip("e"), [](task::TaskRecord& r) { r.outputFormat = ".nosuchformat"; });
  AddTask(Clip("f"));
  std::vector<std::pair<int, int>> notified;  // the window is not active offscreen
  window->notifyBatchEnded = [&](const app::BatchOutcome& o) { notified.emplace_back(o.finished, o.failed); };
  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(notified, (std::vector<std::pair<int, int>>{{2, 5}}));
  EXPECT_EQ(State(0), "处理完毕");
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(State(row), "文件缺失") << row;
  EXPECT_FALSE(plat::FileExists(Final("b")));
  const QString failed = State(5);
  EXPECT_TRUE(failed.startsWith("输出错误(")) << failed.toStdString();
  EXPECT_FALSE(failed.contains('\n'));
  EXPECT_FALSE(plat::FileExists(media + "/result/e_tmp.nosuchformat"));
  EXPECT_EQ(Tasks().taskList->task(5).finalOutputPath, "");
  EXPECT_EQ(State(6), "处理完毕");
  EXPECT_TRUE(plat::FileExists(Final("f")));
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "2/7");  // the finished ones of the list
  ExpectIdleWindow();
  // 查看日志 on the failed row: the converter's own lines of that run.
  Find<QTableView>("列表框")->selectRow(5);
  ASSERT_TRUE(Tasks().PrepareTaskMenu());
  MenuEntry("查看日志")->trigger();
  ASSERT_EQ(dialogs.logs.size(), 1u);
  EXPECT_TRUE(dialogs.logs[0].log.contains("Unable to find a suitable output format"))
      << dialogs.logs[0].log.toStdString();
  EXPECT_TRUE(dialogs.logs[0].commandLine.contains("e_tmp.nosuchformat"));
  // A missing row's log names what was missing; so does a row marked so before this session
  // (its log is gone).
  const std::string missing[] = {"/gone.mp4", "/gone.m4a", "/gone-bg.mp4", "/gone.gif"};
  for (int row = 1; row <= 4; ++row) {
    const QString log =
        QStringLiteral("源文件不存在：") + QString::fromStdString(media + missing[row - 1] + "\n");
    for (bool loaded : {false, true}) {
      if (loaded) Tasks().taskList->clearLog(row);
      Find<QTableView>("列表框")->selectRow(row);
      MenuEntry("查看日志")->trigger();
      EXPECT_EQ(dialogs.logs.back().log, log) << row << loaded;
    }
  }

  // How the batch ended stays in the bottom strip until the next action.
  EXPECT_EQ(Batch().note->text(), QStringLiteral("批量处理结束：2 个任务完成，5 个失败"));
  EXPECT_FALSE(Find<QLabel>("版权")->isVisibleTo(Find<QFrame>("进度条")));
  QTest::mouseClick(Find<QPushButton>("新建任务"), Qt::LeftButton);
  EXPECT_EQ(Batch().note->text(), QString());
  EXPECT_TRUE(Find<QLabel>("版权")->isVisibleTo(Find<QFrame>("进度条")));
}

// A source replaced after the task was stored by something that is no regular file (a FIFO
// would block the converter's open for ever, a folder fails it) reads as missing at its
// turn, and the batch goes on.
TEST_F(BatchTest, SourcesThatAreNoLongerRegularFilesReadMissingAtTheirTurn) {
  const std::string fifo = media + "/replaced.mp4";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  AddTask(fifo);
  AddTask(Clip("b"), [&](task::TaskRecord& r) { r.audioPath = task::Quote(media + "/result"); });
  AddTask(Clip("c"));
  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(State(0), "文件缺失");
  EXPECT_EQ(State(1), "文件缺失");
  EXPECT_EQ(State(2), "处理完毕");
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), "1/3");
  ExpectIdleWindow();
}

// Yes to the close question while a finished task's output waits for its rename: the program
// ends only after the rename, so the final name exists when it exits.
TEST_F(BatchTest, CloseDuringTheCompletionStepKeepsTheFinishedOutput) {
  AddTask(Clip("a"));
  AddTask(Clip("b"));
  // A converter that prints no progress gets its output checked by a second look, which this
  // stand-in makes last a second: time enough to close the window in the completion step.
  const std::string standIn = programFolder() + "/ffmpeg";
  std::ofstream(standIn) << "#!/bin/sh\n"
                            // Without the level tags the program asks for (the last -loglevel wins).
                            "if [ \"$2\" = -loglevel ]; then shift 3; set -- -hide_banner \"$@\"; fi\n"
                            "if [ \"$#\" = 3 ] && [ \"$2\" = -i ]; then sleep 1; fi\n"
                            "exec '" +
                                plat::FindOnPath("ffmpeg") + "' -loglevel error \"$@\"\n";
  std::filesystem::permissions(standIn, std::filesystem::perms::owner_all);
  probe::ResolveConverterAgain();
  struct Restore {
    std::string file;
    ~Restore() {
      std::filesystem::remove(file);
      probe::ResolveConverterAgain();
    }
  } restore{standIn};
  bool finalAtExit = false, closed = false;
  window->exitProgram = [&](int code) {
    exitCode = code;
    finalAtExit = plat::FileExists(Final("a"));
  };
  WhileRunning([&] {
    if (batch::CompletionsUnderWay() == 0) return false;
    dialogs.yesNoAnswers.push_back(true);
    closed = Batch().OnMainWindowCloseQuery();
    return true;
  });
  Find<QPushButton>("开始执行")->click();
  EXPECT_TRUE(closed);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(finalAtExit);
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_EQ(State(0), "处理完毕");
  EXPECT_EQ(State(1), "");  // the stop came before its turn
}

// The same button stops the batch, with or without a pause first; a batch never resets the
// pause caption.
TEST_F(BatchTest, StopDuringATaskEndsTheBatchPausedOrNot) {
  for (bool pauseFirst : {false, true}) {
    SCOPED_TRACE(pauseFirst ? "paused" : "running");
    Tasks().taskList->clearTasks();
    AddLongTask("a");
    AddTask(Clip("b"));
    bool stopped = false;
    WhileRunning([&] {
      if (State(0).isEmpty()) return false;  // wait for the converter's first progress
      if (pauseFirst) {
        Find<QPushButton>("暂停执行")->click();  // suspends the converter (a responsive wait of 1 s)
        for (pid_t pid : batch::OwnedConverters()) EXPECT_EQ(plat::ProcessState(pid), 'T');
        EXPECT_EQ(Find<QPushButton>("暂停执行")->text(), "继续执行");
      }
      Find<QPushButton>("开始执行")->click();
      return stopped = true;
    });
    Find<QPushButton>("开始执行")->click();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(State(0), "手动停止");
    EXPECT_EQ(State(1), "");  // the tasks after it keep their texts
    EXPECT_FALSE(plat::FileExists(Temporary("a")));
    EXPECT_FALSE(plat::FileExists(Final("b")));
    EXPECT_EQ(Find<QPushButton>("暂停执行")->text(), pauseFirst ? "继续执行" : "暂停执行");
    ExpectIdleWindow();
  }
}

// Between two tasks the running flag is down for 300 ms; the batch is still on, so a click
// is a stop request and a close asks first -- never a second batch.
TEST_F(BatchTest, ClickAndCloseDuringTheGapBetweenTasks) {
  for (const char* name : {"a", "b", "c"}) AddTask(Clip(name));
  int gaps = 0;
  WhileRunning([&] {
    if (Batch().runner->converting() || !Batch().runner->active()) return false;
    if (gaps == 0 && State(0) == "处理完毕") {
      gaps = 1;
      dialogs.yesNoAnswers.push_back(false);  // "No": keep running
      EXPECT_FALSE(Batch().OnMainWindowCloseQuery());
      EXPECT_EQ(exitCode, -1);
      return false;
    }
    if (gaps == 1 && State(1) == "处理完毕") {
      gaps = 2;
      Find<QPushButton>("开始执行")->click();
      return true;
    }
    return false;
  });
  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(gaps, 2);
  EXPECT_EQ(dialogs.questions, QStringList{"优化尚在运行中，是否强制退出？"});
  EXPECT_EQ(State(0), "处理完毕");
  EXPECT_EQ(State(1), "处理完毕");
  EXPECT_EQ(State(2), "");  // the stop came before its turn
  EXPECT_FALSE(plat::FileExists(Final("c")));
  EXPECT_FALSE(plat::FileExists(Final("a", 2)));  // no second batch ran row 1 again
  ExpectIdleWindow();
}

// A good command is accepted silently; a bad one shows "发生错误：\r\n" + the translated error
// and leaves the raw one on the clipboard. Neither leaves an output behind.
TEST_F(BatchTest, TrialOfAGoodAndOfABadCommand) {
  QGuiApplication::clipboard()->setText("before");
  Batch().trialCommandText = ts::PortraitCommand(Clip("a"), Temporary("a"), "00:00:00.001 ");
  Batch().RunTrial();
  EXPECT_EQ(Batch().trialError, "");
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

  Batch().trialCommandText = "-i \"" + Clip("a") +
                             "\" -to 00:00:00.001 -vf \"scale=180:-1,boxblur=nonsense\" -y \"" +
                             Temporary("a") + "\"";
  Batch().RunTrial();
  const std::string raw = Batch().trialError;
  EXPECT_NE(raw.find("Invalid argument"), std::string::npos) << raw;
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), raw);
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0].toStdString(), "发生错误：\r\n" + batch::FailureTranslation(raw));
  EXPECT_TRUE(dialogs.errors[0].contains("格式无效"));
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_FALSE(Batch().runner->trialRunning());
}

// While a batch runs, the bottom strip shows its overall progress in place of the notice, and
// a converting row's tooltip shows the time left; both are gone when it ends.
TEST_F(BatchTest, OverallProgressAndTimeLeftDuringABatch) {
  // Tasks long enough for progress lines to come while they run.
  for (const char* name : {"a", "b"}) AddLongTask(name, 8);  // run to their ends
  const QModelIndex stateOf0 = Tasks().taskList->index(0, app::TaskListModel::kState);
  int barMaximum = 0, barInSecondTask = -1;
  QString tooltip;
  bool noticeHidden = true;
  QObject::connect(Tasks().taskList, &QAbstractItemModel::dataChanged, window.get(), [&] {
    const QString now = Tasks().taskList->data(stateOf0, Qt::ToolTipRole).toString();
    if (tooltip.isEmpty() && now.contains(QStringLiteral("剩余 "))) tooltip = now;
  });
  WhileRunning([&] {
    if (!Batch().runner->converting()) return false;
    noticeHidden =
        noticeHidden && !Find<QProgressBar>("总进度")->isHidden() && Find<QLabel>("版权")->isHidden();
    barMaximum = Find<QProgressBar>("总进度")->maximum();
    if (State(1).isEmpty()) return false;
    barInSecondTask = Find<QProgressBar>("总进度")->value();
    return true;
  });
  const int* ahead = CountBarAheadOfRows();
  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(*ahead, 0);
  EXPECT_EQ(State(1), "处理完毕");
  EXPECT_TRUE(noticeHidden);
  EXPECT_EQ(barMaximum, 2 * 1000);
  EXPECT_GE(barInSecondTask, 1000);  // the first task counts whole once the second runs
  // The running row's state, then its time left.
  EXPECT_TRUE(tooltip.contains(QRegularExpression(QStringLiteral("\n剩余 \\d\\d:\\d\\d:\\d\\d$"))))
      << tooltip.toStdString();
  EXPECT_TRUE(Find<QProgressBar>("总进度")->isHidden());
  // In its place, how the batch ended (the notice comes back at the next action).
  EXPECT_EQ(Batch().note->text(), QStringLiteral("批量处理结束：2 个任务完成，0 个失败"));
  const QLabel* note = Find<QLabel>("状态提示");  // whole, left of the strip's combos
  EXPECT_LE(note->fontMetrics().horizontalAdvance(note->text()), note->width());
  EXPECT_LE(note->geometry().right(), Find<QComboBox>("编码速度")->x());
  EXPECT_EQ(Tasks().taskList->data(stateOf0, Qt::ToolTipRole).toString(), "");
}

// With 同时执行 set to two tasks (kept for the next start), two rows convert at once, each
// with its own state; pause reaches both converters and the rows and the bar say so; a stop
// ends both and the third task never starts.
TEST_F(BatchTest, TwoTasksAtOncePauseAndStopReachBoth) {
  for (const char* name : {"a", "b", "c"}) AddLongTask(name);
  const QList<QAction*> choices = Find<QMenu>("同时执行")->actions();
  ASSERT_GE(choices.size(), 2);
  choices[1]->trigger();
  EXPECT_EQ(app::LoadWindowSettings().jobs, 2);
  const int* ahead = CountBarAheadOfRows();
  bool bothPaused = false;
  WhileRunning([&] {
    if (!State(0).endsWith("％") || !State(1).endsWith("％")) return false;
    EXPECT_EQ(State(2), "");
    Find<QPushButton>("暂停执行")->click();
    const std::vector<pid_t> converters = batch::OwnedConverters();
    EXPECT_EQ(converters.size(), 2u);
    for (pid_t pid : converters) EXPECT_EQ(plat::ProcessState(pid), 'T');
    const QModelIndex shown = Tasks().taskList->index(1, app::TaskListModel::kState);
    bothPaused = Tasks().taskList->data(shown).toString().endsWith("已暂停") &&
                 Find<QProgressBar>("总进度")->format().startsWith("已暂停");
    Find<QPushButton>("开始执行")->click();
    return true;
  });
  Find<QPushButton>("开始执行")->click();
  EXPECT_TRUE(bothPaused);
  EXPECT_EQ(*ahead, 0);
  EXPECT_EQ(State(0), "手动停止");
  EXPECT_EQ(State(1), "手动停止");
  EXPECT_EQ(State(2), "");
  EXPECT_EQ(ts::Capture("ls -A '" + media + "/result' | grep -c _tmp || true"), "0\n");
  ExpectIdleWindow();
}

}  // namespace
