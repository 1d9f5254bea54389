#pragma once
// The walk of `flipframe run` over a task list file: the window's batch runner over a list
// on disk, one claimed task at a time. Each turn claims, under the list's lock, the next task
// that is neither finished nor held by another run (or the one task asked for); the claim is
// renewed while the converter runs, and the task's new texts are recorded by its id, so that
// runs in parallel, on one machine or several, convert each task once.
#include <QString>

#include <stop_token>
#include <string>

#include "cli/progress_printer.h"
#include "store/task_list_ledger.h"

namespace app {

struct ListRunTally {
  int finished = 0;         // ran to "处理完毕"
  int failed = 0;           // an output error, a missing source, or an outcome not recorded
  int alreadyFinished = 0;  // finished before this run
  int busy = 0;             // held by other runs when this one found nothing more to do
  bool stopped = false;     // a stop request ended the walk
  QString error;            // the list could not be read or written; the walk ended there
  bool refused = false;     // ... before any task was run: nothing was converted
  int unwritten = 0;        // outcomes that could not be written into the list at all
};

// Runs task `only` (1-based) of the list, or every task when `only` is 0, in the list's order,
// `jobs` of them at once, keeping the books in `ledger` (opened on `list`), which it closes.
ListRunTally RunTaskListFile(TaskListLedger& ledger, const std::string& list, int only, int jobs,
                             std::stop_token stop, pipeline::ProgressBoard& board);

}  // namespace app
