#include "gui/session_keeper.h"

#include <QTimer>

#include "gui/task_list_model.h"

SessionKeeper::SessionKeeper(const app::TaskListModel& model, app::SessionFiles files, QObject* parent)
    : QObject(parent), model_(model), files_(std::move(files)) {
  setObjectName(QStringLiteral("SessionKeeper"));
  previous_ = app::LoadPreviousSession(files_);
  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  pending_->setInterval(0);
  connect(pending_, &QTimer::timeout, this, &SessionKeeper::WriteNow);
  connect(&model, &QAbstractItemModel::rowsInserted, this, &SessionKeeper::Schedule);
  connect(&model, &QAbstractItemModel::rowsRemoved, this, &SessionKeeper::Schedule);
  connect(&model, &QAbstractItemModel::rowsMoved, this, &SessionKeeper::Schedule);
  connect(&model, &QAbstractItemModel::modelReset, this, &SessionKeeper::Schedule);
  connect(&model, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& from, const QModelIndex& to) { RowsChanged(from.row(), to.row()); });
}

void SessionKeeper::RowsChanged(int first, int last) {
  // A running row's speed, percentage and time left change every second.
  if (first == last && app::IsRunningState(model_.state(first))) return;
  Schedule();
}

void SessionKeeper::Schedule() {
  if (!files_.current.empty()) pending_->start();
}

void SessionKeeper::KeepBeforeClear() {
  if (model_.size() == 0) return;
  previous_ = app::LoadedTaskList{model_.rows(), {}};
  if (!files_.beforeClear.empty()) app::WriteSessionList(files_.beforeClear, model_.rows());
}

void SessionKeeper::WriteNow() {
  pending_->stop();
  if (files_.current.empty()) return;
  const QString error = app::WriteSessionList(files_.current, model_.rows());
  if (!error.isEmpty() && !failing_ && onFailure) onFailure(error);
  failing_ = !error.isEmpty();
  emit written();
}
