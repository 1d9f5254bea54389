#pragma once
// Whether a stored task can still run: a batch marks a task whose sources vanished as
// "文件缺失" instead of starting the converter on it.
#include "task/task_record.h"

namespace task {

// Every source file of the task is there: the foreground, then the animation and the audio
// when set, then the background when it is not the foreground itself.
bool SourcesPresent(const TaskRecord& r);

}  // namespace task
