#include "app/list_run.h"

#include <cstdio>

#include "app/task_list_file.h"
#include "batch/progress.h"
#include "batch/task_worker.h"
#include "task/task_record.h"

namespace app {
namespace {

enum class Turn { AlreadyFinished, Finished, Failed, Stopped };

// Runs one task and gives the texts its row ends with.
Turn RunOne(const TaskRow& row, const std::string& label, const std::atomic<int>& stop,
            pipeline::ProgressPrinter& progress, TaskOutcome& outcome) {
  outcome = {row.speed, row.state, row.record.finalOutputPath};
  if (!task::SourcesPresent(row.record)) {
    outcome.state = QString::fromUtf8(batch::kStateMissing);
    std::fprintf(stderr, "%s  %s\n", label.c_str(), batch::kStateMissing);
    return Turn::Failed;
  }
  progress.Start(label, batch::TaskDuration(row.record.commandLine));
  batch::WorkerReport report;
  report.output = [&progress](std::string_view chunk) { progress.Output(chunk); };
  report.speed = [&](const std::string& s) {
    progress.Speed(s);
    outcome.speed = QString::fromStdString(s);
  };
  report.state = [&](const std::string& s) {
    progress.State(s);
    outcome.state = QString::fromStdString(s);
  };
  batch::WorkerTiming timing;
  timing.stopEndsOtherConverters = false;  // runs of other tasks may share the program folder
  const batch::WorkerResult result =
      batch::RunTaskWorker(row.record.commandLine, false, stop, report, timing);
  progress.End();
  switch (result.ending) {
    case batch::WorkerEnding::Completed:
      outcome.finalOutputPath = result.finalOutputPath;
      return Turn::Finished;
    case batch::WorkerEnding::Stopped:
      return Turn::Stopped;
    default:
      return Turn::Failed;
  }
}

}  // namespace

ListRunTally RunTaskListFile(const std::string& list, int only, const std::atomic<int>& stop,
                             pipeline::ProgressPrinter& progress) {
  ListRunTally tally;
  for (int number = only != 0 ? only : 1;; ++number) {
    if (stop) {
      tally.stopped = true;
      break;
    }
    const LoadedTaskList now = LoadTaskList(list);
    if (!now.ok()) {
      tally.error = now.error;
      break;
    }
    const int total = static_cast<int>(now.rows.size());
    if (number > total) break;
    const TaskRow& row = now.rows[size_t(number - 1)];
    const std::string label =
        std::to_string(number) + "/" + std::to_string(total) + " " + task::Unquote(row.record.foregroundPath);
    if (row.state == QString::fromUtf8(kFinishedState)) {
      ++tally.alreadyFinished;
    } else {
      TaskOutcome outcome;
      const Turn turn = RunOne(row, label, stop, progress, outcome);
      const QString error = RecordTaskOutcome(list, number, outcome);
      if (!error.isEmpty()) std::fprintf(stderr, "flipframe run: %s\n", error.toStdString().c_str());
      if (turn == Turn::Stopped) {
        tally.stopped = true;
        break;
      }
      ++(turn == Turn::Finished && error.isEmpty() ? tally.finished : tally.failed);
    }
    if (only != 0) break;
  }
  return tally;
}

}  // namespace app
