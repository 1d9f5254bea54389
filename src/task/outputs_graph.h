#pragma once
// One clip made for several publishing targets by one converter run: the clip is decoded
// once, its blurred background made once at the clip's own size and cut out for each shape,
// and each output gets its own size, composition, band texts and encoding, each its own file.
#include <string>
#include <vector>

#include "task/command_builder.h"
#include "task/task_record.h"

namespace task {

// A target of the foreground's own shape in a layout that fills the rest of the canvas: the
// foreground fills it all, and the output is the clip at the target's size and encoding.
bool FillsCanvas(const TaskRecord& t);

// Each output as a task of its own: the task itself first, then one per further target, with
// its size, target and the composition that suits it (bands above and below when the clip
// is wider than the target, at the sides otherwise).
std::vector<TaskRecord> OutputTasks(const TaskRecord& t);

// What a task's outputs are called after the clip's name: "9x16", "1x1", "16x9"... by shape,
// with the target's name added where two outputs share a shape.
std::vector<std::string> OutputShapeNames(const std::vector<TaskRecord>& outputs);

// Why the task cannot make its several outputs ("" when it can, or has one output): each
// further target sound, a target for the first output, and no setting that only one output
// of a run could have (a background file, an animation, music, background sound, effects, a
// row of copies, the follow layout, a logo).
std::string SeveralOutputsProblem(const TaskRecord& t);

// The command of a task with further targets; `result` holds what the build did before.
BuildResult BuildSeveralOutputs(TaskRecord& t, BuildMode mode, const BuildEnvironment& env,
                                BuildResult result);

}  // namespace task
