#include "cli/list_run.h"

#include <cstdio>

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "pipeline/batch_runner.h"
#include "store/presets.h"
#include "store/task_list_file.h"
#include "task/task_record.h"
#include "text/bytes.h"

namespace app {

ListRunTally RunTaskListFile(const std::string& list, int only, std::stop_token stop,
                             pipeline::ProgressPrinter& progress) {
  ListRunTally tally;
  LoadedTaskList now;  // the list as read at the start of the current turn
  std::string label;
  TaskOutcome outcome;

  pipeline::BatchHooks h;
  h.size = [&] {
    now = LoadTaskList(list);
    if (!now.ok()) tally.error = now.error;
    return now.ok() ? static_cast<int>(now.rows.size()) : 0;
  };
  h.turn = [&](int row) {
    const TaskRow& r = now.rows[size_t(row)];
    label = std::to_string(row + 1) + "/" + std::to_string(now.rows.size()) + " " +
            task::Unquote(r.record.foregroundPath);
    outcome = {r.speed, r.state, r.record.finalOutputPath};
    return pipeline::BatchTurn{IsFinishedState(r.state), r.record};
  };
  const std::array<std::string, 4> filters = presets::LocalEffectFilters();
  h.effectFilters = [&filters] { return filters; };
  h.taskStarting = [&](int, const task::TaskRecord& record) {
    progress.Start(label, text::SecondsOfDuration(text::Left(record.outputDuration, 8)));
  };
  h.output = [&](int, std::string_view chunk) { progress.Output(chunk); };
  h.speed = [&](int, const std::string& s) {
    progress.Speed(s);
    outcome.speed = QString::fromStdString(s);
  };
  h.state = [&](int, const std::string& s) {
    if (s == batch::kStateMissing)
      std::fprintf(stderr, "%s  %s\n", label.c_str(), batch::kStateMissing);
    else
      progress.State(s);
    outcome.state = QString::fromStdString(s);
  };
  h.ended = [&](int row, pipeline::TurnEnding ending, const batch::WorkerResult& result) {
    using pipeline::TurnEnding;
    if (ending == TurnEnding::Skipped) {
      ++tally.alreadyFinished;
      return;
    }
    if (ending != TurnEnding::Missing) progress.End();
    if (ending == TurnEnding::Completed) outcome.finalOutputPath = result.finalOutputPath;
    const QString error = RecordTaskOutcome(list, row + 1, outcome);
    if (!error.isEmpty()) std::fprintf(stderr, "flipframe run: %s\n", error.toStdString().c_str());
    if (ending == TurnEnding::Stopped) return;
    ++(ending == TurnEnding::Completed && error.isEmpty() ? tally.finished : tally.failed);
  };

  pipeline::BatchTiming timing;
  timing.gapMs = 0;
  timing.worker.endOtherConverters = false;  // runs of other tasks may share the program folder
  pipeline::BatchRunner runner(std::move(h), timing);
  const pipeline::BatchTally walked = runner.Run(only != 0 ? only - 1 : 0, only != 0 ? 1 : -1, stop);
  tally.stopped = walked.stopped;
  return tally;
}

}  // namespace app
