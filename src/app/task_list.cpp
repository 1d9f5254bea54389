// The task list: its pop-up menu, the click that loads a task, and the operations that
// create, delete, clear and move tasks. The task array `tasks` always runs parallel to the
// rows of 列表框: task i (0-based) is shown in row i.
//
// The current row is the task being modified (the one a save overwrites). Menu commands act
// on the selected row; a right click does not retarget the current row, and moves and
// clones keep it pointing at the same task, so that a save never lands on another task.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

#include "app/file_names.h"
#include "app/list_cells.h"
#include "app/main_window.h"
#include "platform/platform.h"

namespace {

using app::CellItem;
using app::CellText;

const QString kLimitMessage = QStringLiteral("加入任务数量上限为1000个。");

}  // namespace

int MainWindow::SelectedRow() const {
  const QModelIndexList selected = 列表框->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return -1;
  const int row = selected.first().row();
  return row < 列表框->rowCount() ? row : -1;
}

void MainWindow::RenumberRows(int fromRow) {
  for (int k = std::max(fromRow, 0); k < 列表框->rowCount(); ++k)
    CellItem(列表框, k, 0)->setText(QString::number(k + 1));
}

// No menu while a batch runs, a trial run is in progress or a probe is filling the current
// task: a delete or move then would pull rows out from under the work in progress.
bool MainWindow::PrepareTaskMenu() {
  if (running || batchActive || trialRunning || probeBusy) return false;
  const int rows = 列表框->rowCount();
  const int s = SelectedRow();
  if (s < 0) {
    for (QAction* a : {menuClearState, menuCloneTask, menuEditTask, menuDeleteTask, menuSeparator2,
                       menuMoveTop, menuMoveBottom})
      a->setVisible(false);
    for (QAction* a : {menuClearAllStates, menuSeparator1, menuClearAllTasks}) a->setVisible(rows > 0);
    menuNewTask->setVisible(true);
    return true;
  }
  for (QAction* a : 菜单->actions()) a->setVisible(true);
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
  if (trialRunning || probeBusy) return;
  const int s = SelectedRow();
  if (s < 0) return;
  currentRow = s + 1;
  操作框->setEnabled(true);
  LoadTaskForEdit();
}

void MainWindow::StartNewTask() {
  if (列表框->rowCount() >= kMaxTasks) {
    dialogs().ShowError(this, kLimitMessage);
    return;
  }
  NewTask();
  currentRow = 0;
  if (!plat::FileExists(app::FileSystemPath(前景框->text()))) PickSource(kForeground);
}

void MainWindow::ClearTaskState() {
  const int s = SelectedRow();
  if (s < 0 || s >= static_cast<int>(tasks.size())) return;
  CellItem(列表框, s, 6)->setText(QString());
  tasks[s].finalOutputPath.clear();
}

void MainWindow::ClearAllStates() {
  const int rows = std::min<int>(列表框->rowCount(), static_cast<int>(tasks.size()));
  for (int k = 0; k < rows; ++k) {
    CellItem(列表框, k, 6)->setText(QString());
    tasks[k].finalOutputPath.clear();
  }
}

void MainWindow::DeleteTask() {
  if (列表框->rowCount() == 1) {
    ClearAllTasks();
    return;
  }
  const int s = SelectedRow();
  if (s < 0 || s >= static_cast<int>(tasks.size())) return;
  tasks.erase(tasks.begin() + s);
  列表框->removeRow(s);
  处理进度->setText(QStringLiteral("0/%1").arg(列表框->rowCount()));
  RenumberRows(s);
  NewTask();
  currentRow = 0;
  保存任务->setText(QStringLiteral("添加任务"));
}

void MainWindow::ClearAllTasks() {
  列表框->setRowCount(0);
  处理进度->setText(QStringLiteral("0/0"));
  tasks.clear();
  StartNewTask();
}

void MainWindow::MoveTaskToTop() {
  const int s = SelectedRow();
  if (s <= 0 || s >= static_cast<int>(tasks.size())) return;
  std::rotate(tasks.begin(), tasks.begin() + s, tasks.begin() + s + 1);

  const QString id = CellText(列表框, s, 0);
  列表框->insertRow(0);
  CellItem(列表框, 0, 0)->setText(id);
  for (int c = 1; c < 7; ++c) CellItem(列表框, 0, c)->setText(CellText(列表框, s + 1, c));
  列表框->removeRow(s + 1);
  RenumberRows(0);
  列表框->selectRow(0);

  // The task being modified keeps its identity.
  if (currentRow == s + 1)
    currentRow = 1;
  else if (currentRow >= 1 && currentRow < s + 1)
    ++currentRow;
}

void MainWindow::MoveTaskToBottom() {
  const int s = SelectedRow();
  const int last = 列表框->rowCount() - 1;
  if (s < 0 || s >= last || s >= static_cast<int>(tasks.size())) return;
  std::rotate(tasks.begin() + s, tasks.begin() + s + 1, tasks.end());

  const int n = 列表框->rowCount();
  列表框->insertRow(n);
  CellItem(列表框, n, 0)->setText(CellText(列表框, s, 0));
  for (int c = 1; c < 7; ++c) CellItem(列表框, n, c)->setText(CellText(列表框, s, c));
  列表框->removeRow(s);
  RenumberRows(s);
  列表框->selectRow(列表框->rowCount() - 1);

  if (currentRow == s + 1)
    currentRow = 列表框->rowCount();
  else if (currentRow > s + 1)
    --currentRow;
}
