// The task list: its pop-up menu, the click that loads a task, the operations that create,
// delete, clear and move tasks, and the log of a task. The tasks and their row texts live in
// taskList; the view 列表框 shows them, and the model renumbers the ID column itself.
//
// The current row is the task being modified (the one a save overwrites). Menu commands act
// on the selected row; a right click does not retarget the current row, and moves, clones and
// deletes keep it on the same task (a persistent index), so that a save never lands on
// another task.
#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include "gui/batch_view.h"
#include "gui/log_dialog.h"
#include "gui/main_window.h"
#include "gui/preview_controller.h"
#include "gui/session_keeper.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/file_names.h"
#include "store/window_settings.h"
#include "ui_main_window.h"

TaskListController::TaskListController(MainWindow& w, Ui::MainWindow* form, const char* name)
    : WindowPart(w, form, name) {
  // Report view with seven columns (their titles come from the model)
  taskList = new app::TaskListModel(this);
  QTableView* list = ui->列表框;
  list->setModel(taskList);
  // Eight columns in the list's inner width (its 435 pixels less frame and scroll bar): the
  // name is cut in its middle, so its number and extension stay readable.
  for (int c = 0; c < app::TaskListModel::kColumnCount; ++c)
    list->setColumnWidth(c, app::TaskListModel::kColumnWidths[size_t(c)]);
  list->setTextElideMode(Qt::ElideMiddle);
  list->verticalHeader()->setVisible(false);
  list->verticalHeader()->setMinimumSectionSize(1);
  list->verticalHeader()->setDefaultSectionSize(19);
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->horizontalHeader()->setHighlightSections(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setWordWrap(false);
  // A row dragged to another place moves there (the model moves it); files dragged in from
  // outside still reach the window.
  list->setDragEnabled(true);
  list->setDragDropMode(QAbstractItemView::InternalMove);
  list->setDefaultDropAction(Qt::MoveAction);
  list->setDropIndicatorShown(true);
  list->installEventFilter(this);  // Delete, Enter and the arrow keys (task_list_session.cpp)
  keyedList_ = list;

  // The pop-up menu and what its entries do
  菜单 = new QMenu(&window);
  菜单->setObjectName(QStringLiteral("菜单"));
  auto entry = [this](const char* caption, void (TaskListController::*act)()) {
    QAction* a = 菜单->addAction(QString::fromUtf8(caption));
    connect(a, &QAction::triggered, this, act);
    return a;
  };
  menuClearState = entry("清除执行状态", &TaskListController::ClearTaskState);
  menuClearAllStates = entry("清除全部状态", &TaskListController::ClearAllStates);
  menuSeparator1 = 菜单->addSeparator();
  menuNewTask = entry("新建任务", &TaskListController::StartNewTask);
  menuCloneTask = entry("克隆任务", &TaskListController::CloneTask);
  menuEditTask = entry("修改任务", &TaskListController::EditSelectedTask);
  menuDeleteTask = entry("删除任务", &TaskListController::DeleteTask);
  menuClearAllTasks = entry("清空全部任务", &TaskListController::ClearAllTasks);
  menuSeparator2 = 菜单->addSeparator();
  menuMoveTop = entry("移至顶部", &TaskListController::MoveTaskToTop);
  menuMoveBottom = entry("移至底部", &TaskListController::MoveTaskToBottom);
  menuShowLog = entry("查看日志", &TaskListController::ShowTaskLog);
  menuPreview = 菜单->addAction(QStringLiteral("预览"));
  connect(menuPreview, &QAction::triggered, this, [this] { previews->PreviewStoredTask(); });
  menuPreviewPrepared = 菜单->addAction(QStringLiteral("预览当前设置"));
  menuPreviewPrepared->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
  connect(menuPreviewPrepared, &QAction::triggered, this, [this] { previews->PreviewPreparedTask(); });
  menuSeparator3 = 菜单->addSeparator();
  menuAddVideos = entry("批量添加视频…", &TaskListController::AddVideosFromMenu);
  menuLoadList = entry("载入任务列表…", &TaskListController::LoadTaskListFromMenu);
  menuSaveList = entry("保存任务列表…", &TaskListController::SaveTaskListFromMenu);
  menuRestore = entry("恢复上次的任务列表", &TaskListController::RestoreLastSession);
  auto* undo = new QShortcut(QKeySequence::Undo, &window);
  connect(undo, &QShortcut::activated, this, &TaskListController::UndoRemoval);
  AddJobsMenu();

  connect(list, &QTableView::doubleClicked, this, &TaskListController::ShowResultInFileManager);
  connect(list, &QTableView::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowTaskMenu(ui->列表框->viewport()->mapToGlobal(pos)); });
  connect(list, &QTableView::clicked, this, [this](const QModelIndex&) { LoadClickedTask(); });
}

// 同时执行 ▸ 1 个任务 (the default, one after another) … MaxJobs() 个任务; kept between starts.
void TaskListController::AddJobsMenu() {
  menuJobs = 菜单->addMenu(QStringLiteral("同时执行"));
  menuJobs->setObjectName(QStringLiteral("同时执行"));
  auto* group = new QActionGroup(menuJobs);
  for (int n = 1; n <= app::MaxJobs(); ++n) {
    QAction* a = menuJobs->addAction(n == 1 ? QStringLiteral("1 个任务（逐个执行）")
                                            : QStringLiteral("%1 个任务").arg(n));
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, n] { batch->SetJobs(n); });
  }
  connect(menuJobs, &QMenu::aboutToShow, this, [this] {
    const QList<QAction*> choices = menuJobs->actions();
    for (int i = 0; i < choices.size(); ++i) choices[i]->setChecked(i + 1 == batch->jobs);
  });
}

void TaskListController::EditSelectedTask() {
  ui->操作框->setEnabled(true);
  editor->LoadTaskForEdit();
}

int TaskListController::SelectedRow() const {
  const QModelIndexList selected = ui->列表框->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return -1;
  const int row = selected.first().row();
  return row < taskList->size() ? row : -1;
}

void TaskListController::ShowTaskCount() {
  int finished = 0;
  for (int r = 0; r < taskList->size(); ++r) finished += taskList->finished(r) ? 1 : 0;
  ui->处理进度->setText(QStringLiteral("%1/%2").arg(finished).arg(taskList->size()));
}

// No menu while a batch runs, a trial run is in progress or a probe is filling the current
// task: a delete or move then would pull rows out from under the work in progress.
bool TaskListController::PrepareTaskMenu() {
  if (batch->BatchOrTrialUnderWay() || editor->probeBusy) return false;
  const int rows = taskList->size();
  const int s = SelectedRow();
  for (QAction* a : {menuSeparator3, menuAddVideos, menuLoadList}) a->setVisible(true);
  menuPreviewPrepared->setVisible(!editor->current.foregroundPath.empty());
  menuSaveList->setVisible(rows > 0);
  menuRestore->setVisible(true);
  menuRestore->setEnabled(session && (!session->previous().rows.empty() || !session->previous().ok()));
  if (s < 0) {
    for (QAction* a : {menuClearState, menuCloneTask, menuEditTask, menuDeleteTask, menuSeparator2,
                       menuMoveTop, menuMoveBottom, menuShowLog, menuPreview})
      a->setVisible(false);
    for (QAction* a : {menuClearAllStates, menuSeparator1, menuClearAllTasks}) a->setVisible(rows > 0);
    menuNewTask->setVisible(true);
    return true;
  }
  for (QAction* a : {menuClearState, menuClearAllStates, menuSeparator1, menuNewTask, menuCloneTask,
                     menuEditTask, menuDeleteTask, menuClearAllTasks, menuShowLog, menuPreview})
    a->setVisible(true);
  menuMoveTop->setVisible(s != 0);
  menuMoveBottom->setVisible(s != rows - 1);
  menuSeparator2->setVisible(menuMoveTop->isVisible() || menuMoveBottom->isVisible());
  return true;
}

void TaskListController::ShowTaskMenu(const QPoint& globalPos) {
  // A right click on empty space of the list means "no row".
  const QPoint inView = ui->列表框->viewport()->mapFromGlobal(globalPos);
  if (ui->列表框->viewport()->rect().contains(inView) && !ui->列表框->indexAt(inView).isValid())
    ui->列表框->clearSelection();
  if (!PrepareTaskMenu()) return;
  菜单->exec(globalPos);
}

void TaskListController::LoadClickedTask() {
  if (batch->TrialUnderWay() || editor->probeBusy) return;
  const int s = SelectedRow();
  if (s < 0) return;
  SetCurrentRow(s + 1);
  ui->操作框->setEnabled(true);
  editor->LoadTaskForEdit();
}

void TaskListController::StartNewTask() {
  if (taskList->full()) {
    dialogs().ShowError(&window, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  editor->NewTask();
  SetCurrentRow(0);
  if (!plat::FileExists(app::FileSystemPath(ui->前景框->text()))) editor->PickSource(kForeground);
}

void TaskListController::ClearTaskState() {
  const int s = SelectedRow();
  if (s < 0) return;
  taskList->clearState(s);
  ShowTaskCount();
}

void TaskListController::ClearAllStates() {
  taskList->clearAllStates();
  ShowTaskCount();
}

void TaskListController::DeleteTask() {
  if (taskList->size() == 1) {
    ClearAllTasks();
    return;
  }
  const int s = SelectedRow();
  if (s < 0) return;
  KeepForUndo({{s, taskList->row(s)}});
  taskList->removeTask(s);
  ShowTaskCount();
  // The next row (the last when the last went) is highlighted and loaded, as file managers
  // go on, so a second Delete deletes it.
  ui->列表框->selectRow(std::min(s, taskList->size() - 1));
  LoadClickedTask();
}

void TaskListController::ClearAllTasks() {
  std::vector<std::pair<int, app::TaskRow>> all;
  for (int r = 0; r < taskList->size(); ++r) all.emplace_back(r, taskList->row(r));
  if (session) session->KeepBeforeClear();
  KeepForUndo(std::move(all));
  taskList->clearTasks();
  ShowTaskCount();
  // A new task in the settings area, without the picker 新建任务 opens: nobody asked for a file.
  editor->NewTask();
  SetCurrentRow(0);
}

void TaskListController::MoveTaskToTop() {
  const int s = SelectedRow();
  if (s <= 0) return;
  ui->列表框->selectRow(taskList->moveToTop(s));
}

void TaskListController::MoveTaskToBottom() {
  const int s = SelectedRow();
  if (s < 0 || s >= taskList->size() - 1) return;
  ui->列表框->selectRow(taskList->moveToBottom(s));
}

void TaskListController::ShowTaskLog() {
  const int s = SelectedRow();
  if (s < 0) return;
  // The command the batch would run now; looking at it creates no result folder.
  const task::BuildEnvironment look{editor->effectFilters,
                                    [](const std::string& p) { return plat::FileExists(p); }, nullptr};
  QString log = taskList->log(s);
  // A row marked missing by a run before this session (a loaded list) has no log of it.
  if (log.isEmpty() && taskList->state(s) == QString::fromUtf8(batch::kStateMissing))
    log = app::MissingSourcesLog(taskList->task(s));
  dialogs().ShowLog(&window, log, app::TaskShellLine(pipeline::RunWords(taskList->task(s), look)));
}

int TaskListController::CurrentRow() const { return currentTask.isValid() ? currentTask.row() + 1 : 0; }

void TaskListController::SetCurrentRow(int row) {
  currentTask = row >= 1 && row <= taskList->size() ? QPersistentModelIndex(taskList->index(row - 1, 0))
                                                    : QPersistentModelIndex();
}
