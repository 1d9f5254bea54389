#pragma once
// The window as the view of the batch runner: 开始执行 starts and stops a batch, 暂停执行
// pauses it, the close question, the clock, the row texts and the overall progress, and the
// trial run of a task being stored. Its files: batch_controller.cpp, startup.cpp (close,
// pause).
#include <QString>

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
  QTimer* 时钟 = nullptr;      // the elapsed-time clock, running once a second during a batch
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
  static QString FormatElapsed(int seconds);
};
