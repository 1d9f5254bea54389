// What keeps a user's list from being lost: the session list on disk and 恢复上次的任务列表,
// Ctrl+Z for the last 删除任务 or 清空全部任务, and the list's keys (Delete deletes, Enter
// loads, the arrow keys load the row they move to, as a click does: so the task in the
// settings area is always the highlighted one, and 保存任务 saves what the user sees).
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/session_keeper.h"
#include "gui/status_note.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "ui_main_window.h"

namespace {

constexpr size_t kUndoSteps = 50;

}  // namespace

void TaskListController::KeepSession() {
  if (session) return;
  session = new SessionKeeper(*taskList, app::CurrentSessionFiles(), this);
  session->onFailure = [this](const QString& error) {
    dialogs().ShowError(&window,
                        QStringLiteral("任务列表无法随时保存到磁盘，程序崩溃时可能丢失：\n") + error);
  };
}

bool TaskListController::ListOperationsAllowed() const {
  return !batch->BatchOrTrialUnderWay() && !editor->probeBusy;
}

void TaskListController::RestoreLastSession() {
  if (!session || !ListOperationsAllowed()) return;
  const app::LoadedTaskList& last = session->previous();
  if (!last.ok()) {
    dialogs().ShowError(&window, last.error);
    return;
  }
  // Appended after what the list holds now, leaving out tasks it holds already (by id):
  // restoring twice adds nothing twice.
  std::vector<std::pair<int, app::TaskRow>> rows;
  for (const app::TaskRow& row : last.rows) rows.emplace_back(taskList->size() + int(rows.size()), row);
  const int before = taskList->size();
  if (!taskList->restoreRows(rows)) {
    dialogs().ShowError(&window, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  ShowTaskCount();
  batch->note->Show(QStringLiteral("已恢复上次的任务列表：加入%1个任务").arg(taskList->size() - before));
}

void TaskListController::KeepForUndo(std::vector<std::pair<int, app::TaskRow>> removed) {
  if (removed.empty()) return;
  undo_.push_back(std::move(removed));
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
}

void TaskListController::OfferLastSession() {
  if (!session || !session->previous().ok()) return;
  int unfinished = 0;
  for (const app::TaskRow& row : session->previous().rows)
    unfinished += app::IsFinishedState(row.state) ? 0 : 1;
  if (unfinished == 0) return;
  // A link-like button in the notice's place of the bottom strip; the notice comes back with
  // the first change of the list.
  auto* offer =
      new QPushButton(QStringLiteral("恢复上次的任务列表（%1个未完成）").arg(unfinished), ui->进度条);
  offer->setObjectName(QStringLiteral("恢复提示"));
  offer->setFlat(true);
  offer->setCursor(Qt::PointingHandCursor);
  offer->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-align: left; padding: 0; }"));
  offer->setToolTip(QStringLiteral("上次退出时任务列表里还有没执行完的任务：点这里把它们加回列表"));
  offer->setGeometry(ui->版权->geometry());
  const bool noticeShown = !ui->版权->isHidden();
  ui->版权->hide();
  offer->show();
  auto withdraw = [this, offer, noticeShown] {
    if (noticeShown && ui->状态提示->isHidden()) ui->版权->show();
    offer->deleteLater();
  };
  connect(offer, &QPushButton::clicked, this, [this, withdraw] {
    withdraw();
    RestoreLastSession();
  });
  for (auto change : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
    connect(taskList, change, offer, withdraw, Qt::SingleShotConnection);
  connect(taskList, &QAbstractItemModel::modelReset, offer, withdraw, Qt::SingleShotConnection);
}

void TaskListController::UndoRemoval() {
  if (undo_.empty() || !ListOperationsAllowed()) return;
  const int before = taskList->size();
  if (!taskList->restoreRows(undo_.back())) {
    dialogs().ShowError(&window, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  const int first = undo_.back().front().first;
  undo_.pop_back();
  ShowTaskCount();
  if (taskList->size() > before)
    ui->列表框->scrollTo(taskList->index(std::min(first, taskList->size() - 1), 0));
  batch->note->Show(QStringLiteral("已撤销：恢复%1个任务").arg(taskList->size() - before));
}

bool TaskListController::eventFilter(QObject* watched, QEvent* event) {
  static bool forwarding = false;  // the list handling a key we passed on to it
  if (watched != keyedList_ || event->type() != QEvent::KeyPress || forwarding)
    return WindowPart::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  switch (key) {
    case Qt::Key_Delete:
      if (ListOperationsAllowed() && SelectedRow() >= 0) DeleteTask();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      LoadClickedTask();  // 修改任务
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: {
      // The list moves its highlight; a move to another row loads that row, as a click does.
      // A table's own Home and End go to the first and last column: here they go to the first
      // and last row, as Ctrl+Home and Ctrl+End do.
      const int before = SelectedRow();
      forwarding = true;
      if ((key == Qt::Key_Home || key == Qt::Key_End) && taskList->size() > 0) {
        const int row = key == Qt::Key_Home ? 0 : taskList->size() - 1;
        ui->列表框->selectRow(row);
        ui->列表框->scrollTo(taskList->index(row, 0));
      } else {
        QCoreApplication::sendEvent(ui->列表框, event);
      }
      forwarding = false;
      const int after = SelectedRow();
      if (after >= 0 && after != before) LoadClickedTask();
      return true;
    }
    default:
      return WindowPart::eventFilter(watched, event);
  }
}
