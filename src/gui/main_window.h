#pragma once
// The main window: every control of the form (object names as in the form, used by all
// operations and by the tests), the current task record, the task array and the batch
// state. The operations are split over several files, one per concern:
//   main_window.cpp         construction, event dispatch, resize rule
//   main_window.ui          the controls: object names, kinds, geometry, captions, initial states
//   main_window_layout.cpp  what the form cannot hold: validators, colours, font, list, menu
//   control_rules.cpp       size boxes, ratio, foreground count, audio rule, clears, preview
//   settings_sync.cpp       the controls as pipeline::SettingsArea values, and back
//   startup.cpp             start-up, effect presets (de.ini), close query, pause/resume
//   source_pickers.cpp      pickers, probe request and probe jobs
//   task_validation.cpp     reading a task from the controls, validation, command building
//   task_operations.cpp     read/add/save/load/show/clone/new task
//   task_list.cpp           pop-up menu and list operations
//   task_list_files.cpp     task lists saved and loaded from the menu
//   batch_add.cpp           many video files at once: drops, 批量添加视频…, arguments
//   batch_controller.cpp    the window as the batch runner's view: start/stop, trial run
#include <QPersistentModelIndex>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/desktop_notification.h"
#include "gui/dialogs.h"
#include "gui/task_list_model.h"
#include "pipeline/batch_runner.h"
#include "pipeline/settings_area.h"
#include "task/control_rules.h"
#include "task/task_record.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QMovie;
class QTimer;

namespace Ui {
class MainWindow;
}

using task::SourceKind;
using enum task::SourceKind;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // `dialogs` answers every message box and file dialog; the real ones when null.
  explicit MainWindow(Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  Dialogs& dialogs() { return *dialogs_; }
  // Ends the program after the close query; tests replace it.
  std::function<void(int)> exitProgram;
  // Tells the desktop how a batch ended while the window was not active; tests replace it.
  std::function<void(const app::BatchOutcome&)> notifyBatchEnded = [](const app::BatchOutcome& outcome) {
    app::NotifyBatchEnded(outcome);
  };

  // The window's controls are declared in main_window.ui (object name, kind, geometry,
  // caption, initial state, stacking order) and private; tests find them by object name.
  QMovie* previewMovie = nullptr;

  // ---- state ---------------------------------------------------------------------------
  task::TaskRecord current;                // the task being prepared
  app::TaskListModel* taskList = nullptr;  // the stored tasks and their row texts
  // The task being modified (the one a save overwrites); it follows moves, clones and deletes.
  QPersistentModelIndex currentTask;
  int CurrentRow() const;  // its 1-based row, 0 none
  void SetCurrentRow(int row);
  std::array<std::string, 4> effectFilters;  // filter texts of the four effects (de.ini)
  std::array<std::string, 5> lastFolder;     // indexed by SourceKind (0 unused)
  QString lastListFolder;                    // where the last task list was saved or loaded
  std::array<double, 23> ratioTable{};       // aspect-ratio table, entries 1..22
  int rememberedHeight = 603;
  int lastComputedCount = 0;
  int storedCount = 0;
  int elapsedSeconds = 0;
  bool probeBusy = false;     // a probe is filling the current task
  bool addingVideos = false;  // many files are being made into tasks
  // The batch and the trial run; the window is its view.
  std::unique_ptr<pipeline::BatchRunner> runner;
  app::BatchOutcome batchOutcome;  // what the tasks of the running batch ended with
  std::string trialCommandText;
  std::string trialError;  // the last trial's raw error text, "" when it was accepted

  static constexpr int kMaxTasks = 1000;
  static const char* const kBackgroundPlaceholder;  // "留空则复制前景视频制作背景视频(推荐)"

  // ---- main_window.cpp -----------------------------------------------------------------
  // Every switch control once, in the order of the task record's disabled states, with its
  // place among the record's ticks (-1 none: not a check box). The 17 ticks come in the same
  // order.
  struct SwitchControl {
    QWidget* control;
    int tick;
    int off;
    QCheckBox* box() const;  // the check box, null for the other controls
  };
  std::array<SwitchControl, task::kOffCount> SwitchControls() const;
  // True when the control itself is enabled (its own flag, whatever its panel's state).
  static bool OwnEnabled(const QWidget* w);
  // Runs the event loop for `ms` milliseconds: the window stays responsive.
  static void ResponsiveWait(int ms);
  // A responsive wait of at most `ms` that WakeWorkerWait() ends early: the GUI thread waits
  // for a probe or task worker this way, and the worker's last queued update wakes it.
  static void WaitForWorkerUpdate(int ms);
  static void WakeWorkerWait();

  // ---- main_window_layout.cpp ----------------------------------------------------------
  void BuildControls();

  // ---- control_rules.cpp ---------------------------------------------------------------
  void ActivateWidthBox();
  void ActivateHeightBox();
  bool WidthBoxActive() const;
  task::ActiveBox ActiveSizeBox() const;
  static bool EvenDown(int& n);
  int RatioDimension(int v) const;
  void OnRatioSelected(int index);
  void OnRatioCalculate();
  int UpdateForegroundCount(int width, int height);
  void HideForegroundCount();
  task::CountList ReadCountList() const;
  void ShowCountList(const task::CountList& list);
  void OnAutoBitrateClicked();
  void ApplyAudioRule();
  void OnMuteClicked();
  void ClearBackground();
  void ClearAnimation();
  void ClearAudio();
  void ShowSourceInfo(SourceKind kind);
  void ShowGifPreview(const QString& path, int width, int height);
  void HidePreview();
  void RestoreDefault(QLabel* titleLabel);
  void OnClockTick();
  static QString FormatElapsed(int seconds);
  void ShowResultInFileManager();
  void OpenHomePage();

  // ---- settings_sync.cpp --------------------------------------------------------------
  // The settings area and path boxes as plain values, and back: the rules run on those.
  pipeline::SettingsArea ReadSettingsArea() const;
  void ShowSettingsArea(const pipeline::SettingsArea& a);

  // ---- startup.cpp ---------------------------------------------------------------------
  void OnMainWindowCreated();
  void LoadEffectPresets();
  const std::string& EffectFilter(int effect) const;  // effect 1..4
  bool OnMainWindowCloseQuery();                      // true when the window may close
  void OnPauseClicked();

  // ---- source_pickers.cpp --------------------------------------------------------------
  void PickSource(SourceKind kind);
  void ReloadForeground();
  void ProbeRequest(const QString& path, SourceKind kind);
  void ResetForeground();

  // ---- task_validation.cpp -------------------------------------------------------------
  void ReadTaskFromControls(task::TaskRecord& r);
  bool ValidateTask();
  // The converter argument text for `r` as the window shows it now (trial or full mode);
  // applies the absent-background corrections to `r` and to the window.
  std::string BuildCommandFor(task::TaskRecord& r, bool trial);

  // ---- task_operations.cpp -------------------------------------------------------------
  void AddOrSaveTask();
  void LoadTaskForEdit();
  void ShowTask(const task::TaskRecord& r);
  void CloneTask();
  void NewTask();

  // ---- task_list.cpp -------------------------------------------------------------------
  void ShowTaskMenu(const QPoint& globalPos);
  bool PrepareTaskMenu();  // sets which menu items show; false when no menu may open
  void LoadClickedTask();
  void StartNewTask();
  void ClearTaskState();
  void ClearAllStates();
  void DeleteTask();
  void ClearAllTasks();
  void MoveTaskToTop();
  void MoveTaskToBottom();
  void ShowTaskLog();       // "查看日志" of the selected row
  int SelectedRow() const;  // 0-based, -1 none
  void ShowTaskCount();     // 处理进度 := "0/" + number of tasks

  // ---- task_list_files.cpp -------------------------------------------------------------
  void SaveTaskListFromMenu();
  void LoadTaskListFromMenu();
  // Appends the list in `path`: all of its tasks, or none with a message. True when added.
  bool AppendTaskListFile(const QString& path);

  // ---- batch_add.cpp -------------------------------------------------------------------
  // Each video file among `paths` (folders searched through) becomes a task made with the
  // window's settings as the template; one summary names the files left out and why.
  void AddVideoFiles(const QStringList& paths);
  void AddVideosFromMenu();
  // The command line's files: task lists (.json) are loaded, the rest added as videos.
  void OpenArguments(const QStringList& paths);

  // ---- batch_controller.cpp ------------------------------------------------------------
  std::unique_ptr<pipeline::BatchRunner> MakeBatchRunner();
  bool BatchUnderWay() const;  // from a batch's start to the end of its walk, gaps included
  bool TrialUnderWay() const;  // a trial run, or many files being tried as tasks
  bool BatchOrTrialUnderWay() const { return BatchUnderWay() || TrialUnderWay(); }
  void OnStartClicked();
  void RunTrial();  // runs trialCommandText; trialError empty means accepted

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ConnectControls();
  std::unique_ptr<Ui::MainWindow> ui;
  QTimer* 时钟 = nullptr;  // the elapsed-time clock of a batch
  // The size box the other follows from (比例计算, ratio choice); coloured light blue.
  task::ActiveBox activeSizeBox_ = task::ActiveBox::None;
  // Pop-up menu of the task list and its entries
  QMenu* 菜单 = nullptr;
  QAction *menuClearState = nullptr, *menuClearAllStates = nullptr, *menuNewTask = nullptr;
  QAction *menuCloneTask = nullptr, *menuEditTask = nullptr, *menuDeleteTask = nullptr;
  QAction *menuClearAllTasks = nullptr, *menuMoveTop = nullptr, *menuMoveBottom = nullptr;
  QAction *menuShowLog = nullptr, *menuAddVideos = nullptr, *menuLoadList = nullptr, *menuSaveList = nullptr;
  QAction *menuSeparator1 = nullptr, *menuSeparator2 = nullptr, *menuSeparator3 = nullptr;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_ = nullptr;
  bool created_ = false;
};
