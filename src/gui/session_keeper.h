#pragma once
// Keeps the window's task list on disk as the session list (store/session_list.h) from one
// place: the list model's change signals. A change (adds, moves, deletes, clears, saves, a
// task's outcome) is written once the event loop is back, so that one operation's several
// signals, or a whole list loaded at once, make one write; 保存任务 writes at once (WriteNow),
// so that a kill right after it loses nothing. The speed and percentage of a running row are
// not written: its outcome is.
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "store/session_list.h"

class QTimer;
namespace app {
class TaskListModel;
}

class SessionKeeper : public QObject {
  Q_OBJECT

 public:
  // Reads the last session's list from `files` before anything is written.
  SessionKeeper(const app::TaskListModel& model, app::SessionFiles files, QObject* parent);

  // What 恢复上次的任务列表 brings back: the list as the program last closed or crashed, or as
  // it was before the last 清空全部任务.
  const app::LoadedTaskList& previous() const { return previous_; }
  // Before a clear: the list about to go becomes the one to bring back, also after a restart.
  void KeepBeforeClear();
  // Writes the list now (a pending write is done with it).
  void WriteNow();
  // Told the first failure after a success (a read-only folder, a full disk), not each one.
  std::function<void(const QString&)> onFailure;

 signals:
  void written();  // after every write attempt

 private:
  void Schedule();
  void RowsChanged(int first, int last);

  const app::TaskListModel& model_;
  app::SessionFiles files_;
  app::LoadedTaskList previous_;
  QTimer* pending_ = nullptr;
  bool failing_ = false;
};
