#pragma once
// The task list: the pop-up menu and what it does (new, clone, edit, delete, clear, moves,
// log), the click that loads a task, task lists on disk, and many video files at once. Its
// files: task_list.cpp, task_list_files.cpp, batch_add.cpp, task_list_session.cpp.
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

#include "gui/window_part.h"
#include "store/task_row.h"

class QAction;
class QMenu;
class QPoint;
class SessionKeeper;
namespace app {
class TaskListModel;
}

class TaskListController : public WindowPart {
  Q_OBJECT

 public:
  TaskListController(MainWindow& window, Ui::MainWindow* ui, const char* name);

  app::TaskListModel* taskList = nullptr;  // the stored tasks and their row texts
  // The task being modified (the one a save overwrites); it follows moves, clones and deletes.
  QPersistentModelIndex currentTask;
  int CurrentRow() const;  // its 1-based row, 0 none
  void SetCurrentRow(int row);
  QString lastListFolder;     // where the last task list was saved or loaded
  bool addingVideos = false;  // many files are being made into tasks

  SessionKeeper* session = nullptr;  // the session list, kept from the end of the start-up on

  // task_list.cpp
  void ShowTaskMenu(const QPoint& globalPos);
  void AddJobsMenu();
  bool PrepareTaskMenu();  // sets which menu items show; false when no menu may open
  void LoadClickedTask();
  void StartNewTask();
  void CloneTask();
  void EditSelectedTask();  // 修改任务
  void ClearTaskState();
  void ClearAllStates();
  void DeleteTask();
  void ClearAllTasks();
  void MoveTaskToTop();
  void MoveTaskToBottom();
  void ShowTaskLog();       // "查看日志" of the selected row
  int SelectedRow() const;  // 0-based, -1 none
  // 处理进度 outside a batch: the finished tasks / the number of tasks ("0/N" for a list
  // that has not run).
  void ShowTaskCount();
  void ShowResultInFileManager();

  // task_list_session.cpp: the session list, undo of deletes and clears, the list's keys.
  void KeepSession();         // starts writing the session list (once)
  void RestoreLastSession();  // 恢复上次的任务列表
  // When the last session ended with unfinished tasks (a crash, a kill), the bottom strip
  // offers them back until the list first changes.
  void OfferLastSession();
  void UndoRemoval();                  // Ctrl+Z: the last 删除任务 or 清空全部任务 undone
  bool ListOperationsAllowed() const;  // no batch, trial run or probe under way

  // task_list_files.cpp
  void SaveTaskListFromMenu();
  void LoadTaskListFromMenu();
  // Appends the list in `path`: all of its tasks, or none with a message. True when added.
  bool AppendTaskListFile(const QString& path);

  // batch_add.cpp: each video file among `paths` (folders searched through) becomes a task
  // made with the window's settings as the template; one summary names the files left out.
  void AddVideoFiles(const QStringList& paths);
  void AddVideosFromMenu();
  // The command line's files: task lists (.json) are loaded, the rest added as videos.
  void OpenArguments(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The list whose keys the filter takes, compared by address only: while the window is torn
  // down its form (ui) is gone before the list's last events arrive here.
  const QObject* keyedList_ = nullptr;

 private:
  void KeepForUndo(std::vector<std::pair<int, app::TaskRow>> removed);
  // Each delete or clear: the rows taken out, with the places they had.
  std::vector<std::vector<std::pair<int, app::TaskRow>>> undo_;

  QMenu* 菜单 = nullptr;
  QAction *menuClearState = nullptr, *menuClearAllStates = nullptr, *menuNewTask = nullptr;
  QAction *menuCloneTask = nullptr, *menuEditTask = nullptr, *menuDeleteTask = nullptr;
  QAction *menuClearAllTasks = nullptr, *menuMoveTop = nullptr, *menuMoveBottom = nullptr;
  QAction *menuPreview = nullptr, *menuPreviewPrepared = nullptr;
  QAction *menuShowLog = nullptr, *menuAddVideos = nullptr, *menuLoadList = nullptr, *menuSaveList = nullptr;
  QAction* menuRestore = nullptr;
  QAction *menuSeparator1 = nullptr, *menuSeparator2 = nullptr, *menuSeparator3 = nullptr;
  QMenu* menuJobs = nullptr;  // 同时执行: how many tasks a batch runs at once
};
