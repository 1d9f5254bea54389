#pragma once
// The window as the view of the batch runner: 开始执行 starts and stops a batch, 暂停执行
// pauses it, the close question, the clock, the row texts and the overall progress, and the
// trial run of a task being stored. Its files: batch_controller.cpp, startup.cpp (close,
// pause).
#include <QString>

#include <map>
#include <memory>
#include <string>

#include "gui/desktop_notification.h"
#include "gui/window_part.h"
#include "pipeline/batch_runner.h"

class QTimer;
class StatusNote;

class BatchView : public WindowPart {
  Q_OBJECT

 public:
  BatchView(MainWindow& window, Ui::MainWindow* ui, const char* name);

  std::unique_ptr<pipeline::BatchRunner> runner;
  app::BatchOutcome batchOutcome;  // what the tasks of the running batch ended with
  std::string trialCommandText;
  std::string trialError;  // the last trial's raw error text, "" when it was accepted
  int elapsedSeconds = 0;
  QTimer* 时钟 = nullptr;  // the elapsed-time clock, running once a second during a batch
  int jobs = 1;            // tasks a batch runs at once (kept between starts)
  // 暂停执行 reads "继续执行" (kept into the next batch after a stop while paused, as the
  // caption is), and whether the converters really are suspended now.
  bool resumeCaption = false;
  bool suspended = false;
  StatusNote* note = nullptr;  // the bottom strip's note: how the last batch ended, ...

  std::unique_ptr<pipeline::BatchRunner> MakeBatchRunner();
  bool BatchUnderWay() const;  // from a batch's start to the end of its walk, gaps included
  bool TrialUnderWay() const;  // a trial run, or many files being tried as tasks
  bool BatchOrTrialUnderWay() const { return BatchUnderWay() || TrialUnderWay(); }
  void OnStartClicked();
  void RunTrial();  // runs trialCommandText; trialError empty means accepted
  void OnPauseClicked();
  bool OnMainWindowCloseQuery();  // true when the window may close
  void OnClockTick();
  void SetJobs(int jobs);  // from the list's menu; kept for the next starts
  static QString FormatElapsed(int seconds);

 private:
  // The overall bar: the ended turns and the running rows' shown percentages, never more.
  void ShowOverallProgress();
  int endedTurns_ = 0;
  std::map<int, double> runningShares_;  // row -> share done, as its 执行状态 shows it
};
