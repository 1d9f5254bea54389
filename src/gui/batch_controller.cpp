// The window as the view of the batch runner: 开始执行 starts and stops a batch, the row
// texts, the caption, the buttons, the clock and the overall progress bar follow the
// runner's reports, and a trial's refusal is shown. The runner (pipeline/batch_runner) knows
// nothing of widgets; it calls these hooks on the window's thread.
#include <QCheckBox>

#include <QClipboard>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>

#include "batch/process_control.h"
#include "batch/progress.h"
#include "batch/progress_clock.h"
#include "gui/batch_view.h"
#include "gui/log_dialog.h"
#include "gui/main_window.h"
#include "gui/status_note.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "store/window_settings.h"
#include "ui_main_window.h"

namespace {

constexpr int kTrialWaitMs = 300;
constexpr int kBarStepsPerTask = 1000;

const char* const kEmptyListMessage = "尚未添加任务到任务列表。";
const char* const kErrorPrefix = "发生错误：\r\n";
const char* const kTrialBusyMessage = "任务列表正在执行，请先停止执行，再添加或保存任务。";

void ResponsiveWaitFn(int ms) { gui::ResponsiveWait(ms); }

}  // namespace

BatchView::BatchView(MainWindow& w, Ui::MainWindow* form, const char* name) : WindowPart(w, form, name) {
  时钟 = new QTimer(&window);
  时钟->setObjectName(QStringLiteral("时钟"));
  时钟->setInterval(0);  // stopped; a batch runs it once a second
  note = new StatusNote(&window, form->状态提示, form->版权);
}

std::unique_ptr<pipeline::BatchRunner> BatchView::MakeBatchRunner() {
  pipeline::BatchHooks h;
  h.size = [this] { return tasks->taskList->size(); };
  h.turn = [this](int row) {
    return pipeline::BatchTurn{tasks->taskList->finished(row), tasks->taskList->task(row)};
  };
  h.turnStarted = [this](int row, int total) {
    ui->处理进度->setText(QStringLiteral("%1/%2").arg(row + 1).arg(total));
    ui->列表框->scrollTo(tasks->taskList->index(row, 0));
    ui->总进度->setMaximum(total * kBarStepsPerTask);
    ShowOverallProgress();
  };
  h.taskStarting = [this](int row, const task::TaskRecord&) { tasks->taskList->clearLog(row); };
  h.output = [this](int row, std::string_view chunk) { tasks->taskList->appendLog(row, chunk); };
  h.speed = [this](int row, const std::string& s) {
    tasks->taskList->setSpeed(row, QString::fromStdString(s));
  };
  h.state = [this](int row, const std::string& s) {
    const QString state = QString::fromStdString(s);
    tasks->taskList->setState(row, state);
    if (state.endsWith(QString::fromUtf8(batch::kPercentSign))) {
      runningShares_[row] = std::clamp(state.chopped(1).toDouble() / 100, 0.0, 1.0);
      ShowOverallProgress();
    }
  };
  h.effectFilters = [this] { return editor->effectFilters; };
  h.progress = [this](int row, const pipeline::TaskProgress& p) {
    if (p.secondsLeft)
      tasks->taskList->setTimeLeft(row, QString::fromStdString(batch::TimeLeftText(*p.secondsLeft)));
  };
  h.ended = [this](int row, pipeline::TurnEnding ending, const batch::WorkerResult& result) {
    if (ending == pipeline::TurnEnding::Completed)
      tasks->taskList->setFinalOutputPath(row, result.finalOutputPath);
    tasks->taskList->setTimeLeft(row, QString());
    if (ending == pipeline::TurnEnding::Missing) {
      // Its log names what was not there; no converter ran.
      tasks->taskList->clearLog(row);
      tasks->taskList->appendLog(row, app::MissingSourcesLog(tasks->taskList->task(row)).toStdString());
    }
    if (ending != pipeline::TurnEnding::Skipped)
      batchOutcome.Count(tasks->taskList->state(row).toStdString());
    runningShares_.erase(row);
    ++endedTurns_;
    ShowOverallProgress();
  };
  h.wait = [](int ms) { gui::WaitForWorkerUpdate(ms); };
  h.wake = [] {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { gui::WakeWorkerWait(); }, Qt::QueuedConnection);
  };
  return std::make_unique<pipeline::BatchRunner>(std::move(h));
}

bool BatchView::BatchUnderWay() const { return runner->active() || runner->converting(); }

bool BatchView::TrialUnderWay() const { return runner->trialRunning() || tasks->addingVideos; }

void BatchView::OnStartClicked() {
  if (tasks->taskList->size() == 0) {
    dialogs().ShowError(&window, QString::fromUtf8(kEmptyListMessage));
    return;
  }
  // From the batch's start to the end of its loop -- the gap between two tasks included -- a
  // click is a stop request, never a second batch.
  if (BatchUnderWay()) {
    runner->RequestStop();
    return;
  }
  // A trial's or a probe's converter must not be cleaned away under it, and a probe is still
  // filling the task being prepared.
  if (TrialUnderWay() || editor->probeBusy) return;

  batch::CleanupStrayConverters(ResponsiveWaitFn);
  ui->路径框->setEnabled(false);
  ui->新建任务->setEnabled(false);
  ui->保存任务->setEnabled(false);
  ui->暂停执行->setEnabled(true);
  ui->开始执行->setText(QStringLiteral("停止执行"));
  elapsedSeconds = 0;
  时钟->setInterval(1000);
  时钟->start();
  note->Clear();
  ui->版权->hide();
  ui->快速背景->hide();
  ui->画面->hide();
  ui->编码速度->hide();
  endedTurns_ = 0;
  runningShares_.clear();
  ui->总进度->setValue(0);
  ui->总进度->show();

  batchOutcome = {};
  runner->SetJobs(jobs);
  runner->Run();
  suspended = false;
  tasks->taskList->setPaused(false);
  ui->总进度->setFormat(QStringLiteral("%p%"));

  tasks->ShowTaskCount();  // the tasks finished, no longer the place the batch reached
  ui->总进度->hide();
  ui->版权->show();
  ui->快速背景->show();
  ui->画面->show();
  ui->编码速度->show();
  时钟->stop();
  时钟->setInterval(0);
  ui->开始执行->setText(QStringLiteral("开始执行"));
  ui->暂停执行->setEnabled(false);
  ui->路径框->setEnabled(true);
  ui->新建任务->setEnabled(true);
  ui->保存任务->setEnabled(true);
  // How it ended, in the strip until the next action; and on the desktop when the user looks
  // elsewhere.
  if (batchOutcome.finished + batchOutcome.failed > 0) {
    note->Show(app::BatchNotificationBody(batchOutcome));
    if (!window.isActiveWindow()) window.notifyBatchEnded(batchOutcome);
  }
}

void BatchView::ShowOverallProgress() {
  double done = endedTurns_;
  for (const auto& [row, share] : runningShares_) done += share;
  ui->总进度->setValue(std::min(ui->总进度->maximum(), static_cast<int>(done * kBarStepsPerTask)));
}

void BatchView::SetJobs(int n) {
  jobs = n;
  app::SaveWindowSettings({jobs});
}

void BatchView::RunTrial() {
  trialError.clear();
  if (BatchOrTrialUnderWay()) {
    // Not reachable from the window (its buttons are disabled then), but a trial must never
    // end another run's converter nor let a task be stored untried.
    trialError = kTrialBusyMessage;
    return;
  }
  batch::CleanupStrayConverters(ResponsiveWaitFn);
  trialError = runner->Trial(trialCommandText);
  gui::ResponsiveWait(kTrialWaitMs);
  QCoreApplication::processEvents();

  if (trialError.empty()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(trialError));
  dialogs().ShowError(&window, QString::fromUtf8(kErrorPrefix) +
                                   QString::fromStdString(batch::FailureTranslation(trialError)));
}
