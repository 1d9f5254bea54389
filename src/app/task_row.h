#pragma once
// One row of the task list: the stored task and the two texts the batch runner writes
// beside it. Both the list model and the list files hold tasks in this form.
#include <QString>

#include "task/task_record.h"

namespace app {

inline constexpr int kMaxTasks = 1000;
inline constexpr char kTaskLimitMessage[] = "加入任务数量上限为1000个。";
inline constexpr char kFinishedState[] = "处理完毕";

struct TaskRow {
  task::TaskRecord record;
  QString speed;  // 速度x
  QString state;  // 执行状态
};

// True when `adding` more tasks fit into a list that holds `rows`.
inline bool FitsTaskLimit(int rows, int adding) { return adding >= 0 && rows + adding <= kMaxTasks; }

}  // namespace app
