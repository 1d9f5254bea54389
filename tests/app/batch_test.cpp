// The batch runner in the real window, offscreen, against the real converter: row states,
// finished rows skipped, missing sources, stop, pause then stop, failures, the gap between
// two tasks, and the trial run with its message and clipboard.
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>

#include "batch/process_control.h"
#include "batch/progress.h"
#include "support/window_fixture.h"
#include "task/command_builder.h"
#include "task/task_record.h"

namespace {

namespace ts = testing_support;

class BatchTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    media = ts::TempFolder() + "/batch-media-" + std::to_string(++counter_);
    plat::MakeDirs(media + "/result");
  }
  void TearDown() override {
    EXPECT_TRUE(batch::OwnedConverters().empty()) << "a converter was left running";
    WindowTest::TearDown();
  }

  std::string Clip(const std::string& name) {
    const std::string path = media + "/" + name + ".mp4";
    if (!plat::FileExists(path)) std::filesystem::copy_file(ts::VideoWithSound(320, 180, 2), path);
    return path;
  }
  std::string Temporary(const std::string& name) const { return media + "/result/" + name + "_tmp.mp4"; }

  // The builder's landscape-to-portrait form (background made from the foreground).
  std::string PortraitCommand(const std::string& name, const std::string& to = "00:00:02") {
    const std::string in = "\"" + Clip(name) + "\"";
    return "-i " + in + " -i " + in + " -to " + to +
           " -filter_complex \"[1:v]boxblur=10,scale=568*2:320*2,crop=180:320[g1];"
           "[0:v]scale=180:-1[v];[g1][v]overlay=0:(H-h)/2\" -c:a copy -y \"" + Temporary(name) + "\"";
  }
  // Paced by -re: still running long after the first progress line.
  std::string PacedCommand(const std::string& name) {
    return "-re -stream_loop -1 -i \"" + Clip(name) + "\" -to 00:00:30 -vf scale=160:90 -y \"" +
           Temporary(name) + "\"";
  }

  // A row and its stored task, as the add operation leaves them.
  task::TaskRecord& AddTask(const std::string& foreground, const std::string& command) {
    QTableWidget* list = window->列表框;
    const int row = list->rowCount();
    list->insertRow(row);
    const QString texts[7] = {QString::number(row + 1), QString::fromStdString(foreground), "180x320",
                              "", ".mp4", "", ""};
    for (int c = 0; c < 7; ++c) list->setItem(row, c, new QTableWidgetItem(texts[c]));
    task::TaskRecord r;
    r.foregroundPath = task::Quote(foreground);
    r.backgroundPath = r.foregroundPath;
    r.outputFormat = ".mp4";
    r.commandLine = command;
    window->tasks.push_back(r);
    return window->tasks.back();
  }

  // A landscape clip to portrait 180x320 through the real command builder, as the add
  // operation stores it (background made from the foreground, its sound kept).
  task::TaskRecord& AddBuiltTask(const std::string& name) {
    task::TaskRecord t;
    t.foregroundPath = t.backgroundPath = task::Quote(Clip(name));
    t.foregroundKind = 5;
    t.foregroundWidth = 320;
    t.foregroundHeight = 180;
    t.suggestedWidth = 320;
    t.suggestedHeight = 568;
    t.outputWidth = 180;
    t.outputHeight = 320;
    t.foregroundDuration = t.backgroundDuration = "00:00:02.00";
    t.outputDuration = "00:00:02";
    t.foregroundExtension = t.outputFormat = ".mp4";
    t.foregroundFps = "25";
    t.foregroundBitrate = t.bitrate = "120";
    t.ratioIndex = 7;
    t.selectedForegroundCount = 0;
    t.ticks[task::kTickAutoBitrate] = 1;
    t.ticks[task::kTickForegroundSound] = 1;
    const task::BuildResult built =
        task::BuildCommand(t, task::BuildMode::Full, task::DiskEnvironment(window->effectFilters));
    EXPECT_EQ(built.outputPath, Temporary(name));
    task::TaskRecord& stored = AddTask(Clip(name), built.text);
    stored = t;
    stored.commandLine = built.text;
    return stored;
  }

  QString State(int row) const {
    const QTableWidgetItem* item = window->列表框->item(row, 6);
    return item ? item->text() : QString();
  }

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
    EXPECT_EQ(window->开始执行->text(), "开始执行");
    EXPECT_FALSE(MainWindow::OwnEnabled(window->暂停执行));
    EXPECT_TRUE(MainWindow::OwnEnabled(window->路径框));
    EXPECT_TRUE(MainWindow::OwnEnabled(window->新建任务));
    EXPECT_TRUE(MainWindow::OwnEnabled(window->保存任务));
    EXPECT_FALSE(window->时钟->isActive());
    EXPECT_EQ(window->running.load(), 0);
    EXPECT_EQ(window->stopRequested.load(), 0);
    EXPECT_FALSE(window->batchActive);
  }

  std::string media;

 private:
  static inline int counter_ = 0;
};

TEST_F(BatchTest, EmptyListOnlyShowsItsMessage) {
  auto snapshot = [this] {
    QStringList s;
    for (QWidget* w : std::initializer_list<QWidget*>{window->路径框, window->新建任务, window->保存任务,
                                                      window->暂停执行, window->开始执行})
      s << QString::number(MainWindow::OwnEnabled(w));
    s << window->开始执行->text() << window->暂停执行->text() << window->处理进度->text();
    return s;
  };
  const QStringList before = snapshot();
  window->开始执行->click();
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "尚未添加任务到任务列表。");
  EXPECT_EQ(snapshot(), before);
  EXPECT_FALSE(window->时钟->isActive());
  EXPECT_FALSE(window->batchActive);
  EXPECT_EQ(window->running.load(), 0);
}

TEST_F(BatchTest, ThreeTasksConvertAndFinishedRowsAreSkippedNextTime) {
  for (const char* name : {"a", "b", "c"}) AddBuiltTask(name);
  window->elapsedSeconds = 99;

  // What the window shows while the batch runs.
  bool sawRunningWindow = false;
  WhileRunning([&] {
    if (!window->running) return false;
    sawRunningWindow = window->开始执行->text() == "停止执行" && MainWindow::OwnEnabled(window->暂停执行) &&
                       !MainWindow::OwnEnabled(window->路径框) && !MainWindow::OwnEnabled(window->新建任务) &&
                       !MainWindow::OwnEnabled(window->保存任务) && window->时钟->isActive() &&
                       window->时钟->interval() == 1000 && window->batchActive;
    return true;
  });
  window->开始执行->click();

  EXPECT_TRUE(sawRunningWindow);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  for (int row = 0; row < 3; ++row) {
    const std::string name(1, char('a' + row));
    EXPECT_EQ(State(row), "处理完毕") << name;
    const std::string final = media + "/result/" + name + "_1.mp4";
    EXPECT_EQ(window->tasks[size_t(row)].finalOutputPath, final);
    const ts::ProbeFacts facts = ts::FfprobeFacts(final);
    EXPECT_EQ(facts.width, 180) << name;
    EXPECT_EQ(facts.height, 320) << name;
    EXPECT_FALSE(plat::FileExists(Temporary(name)));
  }
  EXPECT_EQ(window->处理进度->text(), "3/3");
  EXPECT_LT(window->elapsedSeconds, 99);  // the clock started again from 0
  ExpectIdleWindow();

  // A second batch passes over the finished rows at once and converts nothing again.
  window->开始执行->click();
  for (int row = 0; row < 3; ++row) EXPECT_EQ(State(row), "处理完毕");
  for (const char* name : {"a", "b", "c"})
    EXPECT_FALSE(plat::FileExists(media + "/result/" + name + "_2.mp4")) << name;
  EXPECT_EQ(window->处理进度->text(), "3/3");
  ExpectIdleWindow();
}

TEST_F(BatchTest, MissingSourcesAreReportedAndTheBatchGoesOn) {
  AddTask(Clip("a"), PortraitCommand("a"));
  AddTask(media + "/gone.mp4", PortraitCommand("a"));                 // foreground missing
  AddTask(Clip("b"), PortraitCommand("b")).audioPath = task::Quote(media + "/gone.m4a");
  AddTask(Clip("c"), PortraitCommand("c")).backgroundPath = task::Quote(media + "/gone-bg.mp4");
  AddTask(Clip("d"), PortraitCommand("d")).animationPath = task::Quote(media + "/gone.gif");
  AddTask(Clip("e"), PortraitCommand("e"));
  window->开始执行->click();
  EXPECT_EQ(State(0), "处理完毕");
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(State(row), "文件缺失") << row;
  EXPECT_EQ(State(5), "处理完毕");
  EXPECT_FALSE(plat::FileExists(media + "/result/b_1.mp4"));
  EXPECT_TRUE(plat::FileExists(media + "/result/e_1.mp4"));
  EXPECT_EQ(window->处理进度->text(), "6/6");
  ExpectIdleWindow();
}

TEST_F(BatchTest, FailingCommandIsAnOutputErrorAndTheNextTaskRuns) {
  AddTask(Clip("a"), "-i \"" + Clip("a") + "\" -to 00:00:02 -vf crop=9999:9999 -y \"" + Temporary("a") + "\"");
  AddTask(Clip("b"), PortraitCommand("b"));
  window->开始执行->click();
  const QString failed = State(0);
  EXPECT_TRUE(failed.startsWith("输出错误(")) << failed.toStdString();
  EXPECT_TRUE(failed.contains("Invalid too big")) << failed.toStdString();
  EXPECT_FALSE(failed.contains('\n'));
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_EQ(window->tasks[0].finalOutputPath, "");
  EXPECT_EQ(State(1), "处理完毕");
  ExpectIdleWindow();
}

TEST_F(BatchTest, StopDuringATaskEndsTheBatch) {
  AddTask(Clip("a"), PacedCommand("a"));
  AddTask(Clip("b"), PortraitCommand("b"));
  WhileRunning([&] {
    if (State(0).isEmpty()) return false;  // wait for the converter's first progress
    window->开始执行->click();             // the same button stops the batch
    return true;
  });
  window->开始执行->click();
  EXPECT_EQ(State(0), "手动停止");
  EXPECT_EQ(State(1), "");  // the tasks after it keep their texts
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_FALSE(plat::FileExists(media + "/result/b_1.mp4"));
  ExpectIdleWindow();
}

TEST_F(BatchTest, PauseThenStopEndsTheSuspendedConverterAndKeepsTheCaption) {
  AddTask(Clip("a"), PacedCommand("a"));
  int step = 0;
  WhileRunning([&] {
    if (step == 0 && !State(0).isEmpty()) {
      step = 1;
      window->暂停执行->click();  // suspends the converter (a responsive wait of 1 s)
      for (pid_t pid : batch::OwnedConverters()) EXPECT_EQ(plat::ProcessState(pid), 'T');
      EXPECT_EQ(window->暂停执行->text(), "继续执行");
      window->开始执行->click();
      return true;
    }
    return false;
  });
  window->开始执行->click();
  EXPECT_EQ(step, 1);
  EXPECT_EQ(State(0), "手动停止");
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_EQ(window->暂停执行->text(), "继续执行");  // a batch never resets the pause caption
  ExpectIdleWindow();
}

// Between two tasks the running flag is down for 300 ms; the batch is still on, so a click
// is a stop request and a close asks first -- never a second batch.
TEST_F(BatchTest, ClickAndCloseDuringTheGapBetweenTasks) {
  AddTask(Clip("a"), PortraitCommand("a"));
  AddTask(Clip("b"), PortraitCommand("b"));
  AddTask(Clip("c"), PortraitCommand("c"));
  int gaps = 0;
  WhileRunning([&] {
    if (window->running || !window->batchActive) return false;
    if (gaps == 0 && State(0) == "处理完毕") {
      gaps = 1;
      dialogs.yesNoAnswers.push_back(false);  // "No": keep running
      EXPECT_FALSE(window->OnMainWindowCloseQuery());
      EXPECT_EQ(exitCode, -1);
      return false;
    }
    if (gaps == 1 && State(1) == "处理完毕") {
      gaps = 2;
      window->开始执行->click();
      return true;
    }
    return false;
  });
  window->开始执行->click();
  EXPECT_EQ(gaps, 2);
  ASSERT_EQ(dialogs.questions.size(), 1);
  EXPECT_EQ(dialogs.questions[0], "优化尚在运行中，是否强制退出？");
  EXPECT_EQ(State(0), "处理完毕");
  EXPECT_EQ(State(1), "处理完毕");
  EXPECT_EQ(State(2), "");  // the stop came before its turn
  EXPECT_FALSE(plat::FileExists(media + "/result/c_1.mp4"));
  EXPECT_FALSE(plat::FileExists(media + "/result/a_2.mp4"));  // no second batch ran row 1 again
  ExpectIdleWindow();
}

TEST_F(BatchTest, TrialOfAGoodCommandIsAccepted) {
  QGuiApplication::clipboard()->setText("before");
  window->trialCommandText = PortraitCommand("a", "00:00:00.001 ");
  window->RunTrial();
  EXPECT_EQ(window->sharedErrorText, "");
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_EQ(window->trialRunning.load(), 0);
  EXPECT_EQ(window->列表框->rowCount(), 0);
}

TEST_F(BatchTest, TrialOfABadCommandShowsTheTranslatedErrorAndCopiesTheRawOne) {
  QGuiApplication::clipboard()->setText("before");
  window->trialCommandText =
      "-i \"" + Clip("a") + "\" -to 00:00:00.001 -vf \"scale=180:-1,boxblur=nonsense\" -y \"" + Temporary("a") + "\"";
  window->RunTrial();
  const std::string raw = window->sharedErrorText;
  ASSERT_FALSE(raw.empty());
  EXPECT_NE(raw.find("Invalid argument"), std::string::npos) << raw;
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), raw);
  ASSERT_EQ(dialogs.errors.size(), 1);
  const QString message = dialogs.errors[0];
  EXPECT_TRUE(message.startsWith("发生错误：\r\n")) << message.toStdString();
  EXPECT_EQ(message.toStdString(), "发生错误：\r\n" + batch::FailureTranslation(raw));
  EXPECT_TRUE(message.contains("格式无效"));
  EXPECT_FALSE(plat::FileExists(Temporary("a")));
  EXPECT_EQ(window->trialRunning.load(), 0);
  EXPECT_EQ(window->列表框->rowCount(), 0);
  EXPECT_TRUE(window->tasks.empty());
}

}  // namespace
