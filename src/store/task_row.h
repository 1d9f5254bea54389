#pragma once
// One row of the task list: the stored task and the two texts the batch runner writes
// beside it. Both the list model and the list files hold tasks in this form.
#include <QString>

#include "batch/log_tail.h"
#include "batch/task_worker.h"
#include "task/task_record.h"

namespace app {

inline constexpr int kMaxTasks = 1000;
inline constexpr char kTaskLimitMessage[] = "加入任务数量上限为1000个。";
inline constexpr char kFinishedState[] = "处理完毕";

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
