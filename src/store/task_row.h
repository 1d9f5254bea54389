#pragma once
// One row of the task list: the stored task and the two texts the batch runner writes
// beside it. Both the list model and the list files hold tasks in this form.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "batch/log_tail.h"
#include "batch/task_worker.h"
#include "task/task_record.h"

namespace app {

using task::kMaxTasks;
inline constexpr char kTaskLimitMessage[] = "加入任务数量上限为1000个。";
static_assert(kMaxTasks == 1000, "kTaskLimitMessage names the limit");
inline constexpr char kFinishedState[] = "处理完毕";

// A fresh identity for a task: random, so that tasks added on different machines never meet.
QString NewTaskId();

// A run converting the task: which process on which machine, and when it last said so.
struct TaskClaim {
  std::string host;
  int64_t pid = 0;
  std::string started;  // the process's start mark (plat::ProcessStartMark)
  int64_t renewed = 0;  // seconds since the epoch
};

struct TaskRow {
  task::TaskRecord record;
  QString speed;  // 速度x
  QString state;  // 执行状态
  // How long the running task still needs, as the runner last estimated it ("" none); shown
  // as the running row's tooltip, never saved with the list.
  QString timeLeft = {};
  // The converter's last lines of the row's latest run, shown by "查看日志"; kept in memory
  // only, never saved with the list. A clone or a modified task starts without one.
  batch::LogTail log{};
  // The task's identity: kept by every save, so that a run records its outcome on its own
  // task however the list was reordered meanwhile. A new row (a clone too) gets a new one.
  QString id = NewTaskId();
  // Set in a list file while a run converts the task; never shown.
  std::optional<TaskClaim> claim = {};
};

// True for the states of a task that ran to its end: "处理完毕", also with a changed source.
inline bool IsFinishedState(const QString& state) {
  return state == QString::fromUtf8(kFinishedState) || state == QString::fromUtf8(batch::kStateSourceChanged);
}

// True for the state texts of a task being converted: "准备数据" or a percentage.
inline bool IsRunningState(const QString& state) {
  return state == QStringLiteral("准备数据") || state.endsWith(QStringLiteral("％"));
}

// True when `adding` more tasks fit into a list that holds `rows`.
inline bool FitsTaskLimit(int rows, int adding) { return adding >= 0 && rows + adding <= kMaxTasks; }

}  // namespace app
