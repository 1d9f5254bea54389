// The task list: its pop-up menu, the click that loads a task, the operations that create,
// delete, clear and move tasks, and the log of a task. The tasks and their row texts live in
// taskList; the view 列表框 shows them, and the model renumbers the ID column itself.
//
// The current row is the task being modified (the one a save overwrites). Menu commands act
// on the selected row; a right click does not retarget the current row, and moves, clones and
// deletes keep it on the same task (a persistent index), so that a save never lands on
// another task.
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include "gui/log_dialog.h"
#include "gui/main_window.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/file_names.h"

int MainWindow::SelectedRow() const {
  const QModelIndexList selected = 列表框->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return -1;
  const int row = selected.first().row();
  return row < taskList->size() ? row : -1;
}

void MainWindow::ShowTaskCount() { 处理进度->setText(QStringLiteral("0/%1").arg(taskList->size())); }

// No menu while a batch runs, a trial run is in progress or a probe is filling the current
// task: a delete or move then would pull rows out from under the work in progress.
bool MainWindow::PrepareTaskMenu() {
  if (BatchOrTrialUnderWay() || probeBusy) return false;
  const int rows = taskList->size();
  const int s = SelectedRow();
  for (QAction* a : {menuSeparator3, menuAddVideos, menuLoadList}) a->setVisible(true);
  menuSaveList->setVisible(rows > 0);
  if (s < 0) {
    for (QAction* a : {menuClearState, menuCloneTask, menuEditTask, menuDeleteTask, menuSeparator2,
                       menuMoveTop, menuMoveBottom, menuShowLog})
      a->setVisible(false);
    for (QAction* a : {menuClearAllStates, menuSeparator1, menuClearAllTasks}) a->setVisible(rows > 0);
    menuNewTask->setVisible(true);
    return true;
  }
  for (QAction* a : {menuClearState, menuClearAllStates, menuSeparator1, menuNewTask, menuCloneTask,
                     menuEditTask, menuDeleteTask, menuClearAllTasks, menuShowLog})
    a->setVisible(true);
  menuMoveTop->setVisible(s != 0);
  menuMoveBottom->setVisible(s != rows - 1);
  menuSeparator2->setVisible(menuMoveTop->isVisible() || menuMoveBottom->isVisible());
  return true;
}

void MainWindow::ShowTaskMenu(const QPoint& globalPos) {
  // A right click on empty space of the list means "no row".
  const QPoint inView = 列表框->viewport()->mapFromGlobal(globalPos);
  if (列表框->viewport()->rect().contains(inView) && !列表框->indexAt(inView).isValid())
    列表框->clearSelection();
  if (!PrepareTaskMenu()) return;
  菜单->exec(globalPos);
}

void MainWindow::LoadClickedTask() {
  if (TrialUnderWay() || probeBusy) return;
  const int s = SelectedRow();
  if (s < 0) return;
  SetCurrentRow(s + 1);
  操作框->setEnabled(true);
  LoadTaskForEdit();
}

void MainWindow::StartNewTask() {
  if (taskList->full()) {
    dialogs().ShowError(this, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  NewTask();
  SetCurrentRow(0);
  if (!plat::FileExists(app::FileSystemPath(前景框->text()))) PickSource(kForeground);
}

void MainWindow::ClearTaskState() {
  const int s = SelectedRow();
  if (s >= 0) taskList->clearState(s);
}

void MainWindow::ClearAllStates() { taskList->clearAllStates(); }

void MainWindow::DeleteTask() {
  if (taskList->size() == 1) {
    ClearAllTasks();
    return;
  }
  const int s = SelectedRow();
  if (s < 0) return;
  taskList->removeTask(s);
  ShowTaskCount();
  NewTask();
  SetCurrentRow(0);
  保存任务->setText(QStringLiteral("添加任务"));
}

void MainWindow::ClearAllTasks() {
  taskList->clearTasks();
  处理进度->setText(QStringLiteral("0/0"));
  StartNewTask();
}

void MainWindow::MoveTaskToTop() {
  const int s = SelectedRow();
  if (s <= 0) return;
  列表框->selectRow(taskList->moveToTop(s));
}

void MainWindow::MoveTaskToBottom() {
  const int s = SelectedRow();
  if (s < 0 || s >= taskList->size() - 1) return;
  列表框->selectRow(taskList->moveToBottom(s));
}

void MainWindow::ShowTaskLog() {
  const int s = SelectedRow();
  if (s < 0) return;
  // The command the batch would run now; looking at it creates no result folder.
  const task::BuildEnvironment look{effectFilters, [](const std::string& p) { return plat::FileExists(p); },
                                    nullptr};
  dialogs().ShowLog(this, taskList->log(s), app::TaskShellLine(pipeline::RunWords(taskList->task(s), look)));
}
