// The batch runner on the window's side: start and stop on 开始执行, the walk over the task
// list, the trial run, and the glue that carries the task worker's row texts to the
// window's thread. The worker itself (batch/task_worker) knows nothing of widgets.
#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <thread>

#include "app/main_window.h"
#include "batch/process_control.h"
#include "batch/progress.h"
#include "batch/task_worker.h"
#include "platform/platform.h"

namespace {

constexpr int kBatchWaitMs = 500;
constexpr int kTrialWaitMs = 300;
constexpr int kGapMs = 300;

const char* const kEmptyListMessage = "尚未添加任务到任务列表。";
const char* const kErrorPrefix = "发生错误：\r\n";
const char* const kTrialBusyMessage = "任务列表正在执行，请先停止执行，再添加或保存任务。";

void ResponsiveWaitFn(int ms) { MainWindow::ResponsiveWait(ms); }

}  // namespace

void MainWindow::OnStartClicked() {
  if (taskList->size() == 0) {
    dialogs().ShowError(this, QString::fromUtf8(kEmptyListMessage));
    return;
  }
  // From the batch's start to the end of its loop -- the gap between two tasks included -- a
  // click is a stop request, never a second batch.
  if (running || batchActive) {
    stopRequested = 1;
    return;
  }
  // A trial's or a probe's converter must not be cleaned away under it, and a probe is still
  // filling the task being prepared.
  if (trialRunning || probeBusy) return;

  batchActive = true;
  stopRequested = 0;
  batch::CleanupStrayConverters(ResponsiveWaitFn);
  路径框->setEnabled(false);
  新建任务->setEnabled(false);
  保存任务->setEnabled(false);
  暂停执行->setEnabled(true);
  开始执行->setText(QStringLiteral("停止执行"));
  elapsedSeconds = 0;
  时钟->setInterval(1000);
  时钟->start();

  app::BatchOutcome outcome;  // desktop notification: what the tasks of this batch ended with
  for (int i = 1; i <= kMaxTasks && i <= taskList->size(); ++i) {
    if (stopRequested) break;  // a stop asked for during the gap ends the batch here
    const int row = i - 1;
    处理进度->setText(QStringLiteral("%1/%2").arg(i).arg(taskList->size()));
    running = 1;
    列表框->scrollTo(taskList->index(row, 0));
    if (taskList->finished(row)) continue;
    if (!task::SourcesPresent(taskList->task(row))) {
      taskList->setState(row, QString::fromUtf8(batch::kStateMissing));
      outcome.Count(batch::kStateMissing);
      continue;
    }
    RunTaskOnWorker(row);
    outcome.Count(taskList->state(row).toStdString());
    if (stopRequested) break;
    ResponsiveWait(kGapMs);
    QCoreApplication::processEvents();
  }

  时钟->stop();
  时钟->setInterval(0);
  开始执行->setText(QStringLiteral("开始执行"));
  暂停执行->setEnabled(false);
  running = 0;
  路径框->setEnabled(true);
  新建任务->setEnabled(true);
  保存任务->setEnabled(true);
  stopRequested = 0;
  batchActive = false;
  // Desktop notification, when the user looks elsewhere.
  if (!isActiveWindow() && outcome.finished + outcome.failed > 0) notifyBatchEnded(outcome);
}

// One task on one worker thread. The worker's row texts reach the window in order through
// queued calls; the last of them lowers the running flag, which ends the wait.
void MainWindow::RunTaskOnWorker(int row) {
  const std::string arguments = taskList->task(row).commandLine;
  QPointer<MainWindow> self(this);
  auto post = [self](std::function<void()> update) {
    QMetaObject::invokeMethod(
        self.data(),
        [self, update] {
          if (self) update();
        },
        Qt::QueuedConnection);
  };
  batch::WorkerReport report;
  report.speed = [this, post, row](const std::string& text) {
    post([this, row, text] { taskList->setSpeed(row, QString::fromStdString(text)); });
  };
  report.state = [this, post, row](const std::string& text) {
    post([this, row, text] { taskList->setState(row, QString::fromStdString(text)); });
  };

  std::thread worker([this, arguments, report, post, row] {
    const batch::WorkerResult result = batch::RunTaskWorker(arguments, false, stopRequested, report);
    post([this, result, row] {
      if (result.ending == batch::WorkerEnding::Completed)
        taskList->setFinalOutputPath(row, result.finalOutputPath);
      {
        std::lock_guard<std::mutex> lock(errorMutex);
        sharedErrorText = result.errorText;
      }
      running = 0;
      WakeWorkerWait();
    });
  });
  while (running) WaitForWorkerUpdate(kBatchWaitMs);
  worker.join();
}

void MainWindow::RunTrial() {
  {
    std::lock_guard<std::mutex> lock(errorMutex);
    sharedErrorText.clear();
  }
  if (running || batchActive || trialRunning) {
    // Not reachable from the window (its buttons are disabled then), but a trial must never
    // end another run's converter nor let a task be stored untried.
    std::lock_guard<std::mutex> lock(errorMutex);
    sharedErrorText = kTrialBusyMessage;
    return;
  }
  batch::CleanupStrayConverters(ResponsiveWaitFn);
  trialRunning = 1;
  const std::string arguments = trialCommandText;
  QPointer<MainWindow> self(this);
  std::thread worker([this, self, arguments] {
    static const std::atomic<int> kNeverStop{0};
    const batch::WorkerResult result = batch::RunTaskWorker(arguments, true, kNeverStop, {});
    QMetaObject::invokeMethod(
        self.data(),
        [this, self, result] {
          if (!self) return;
          {
            std::lock_guard<std::mutex> lock(errorMutex);
            sharedErrorText = result.errorText;
          }
          trialRunning = 0;
          WakeWorkerWait();
        },
        Qt::QueuedConnection);
  });
  while (trialRunning) WaitForWorkerUpdate(kTrialWaitMs);
  QCoreApplication::processEvents();
  worker.join();
  ResponsiveWait(kTrialWaitMs);
  QCoreApplication::processEvents();

  std::string error;
  {
    std::lock_guard<std::mutex> lock(errorMutex);
    error = sharedErrorText;
  }
  if (error.empty()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(error));
  dialogs().ShowError(
      this, QString::fromUtf8(kErrorPrefix) + QString::fromStdString(batch::FailureTranslation(error)));
}
