#pragma once
// The walk of `flipframe run` over a task list file: the window's batch without a window.
// Each task's turn reads its row afresh from the file (another run may have finished it
// meanwhile), skips it when finished, marks it "文件缺失" when a source is gone, else runs
// it through the task worker, and records the row's new texts in the file under its lock.
//
// When the window's batch walk becomes a runner object of its own, this is the place to
// switch over to it.
#include <QString>

#include <atomic>
#include <string>

#include "pipeline/progress_printer.h"

namespace app {

struct ListRunTally {
  int finished = 0;         // ran to "处理完毕"
  int failed = 0;           // an output error, a missing source, or an outcome not recorded
  int alreadyFinished = 0;  // skipped
  bool stopped = false;     // a stop request ended the walk
  QString error;            // the list could not be read again; the walk ended there
};

// Runs task `only` (1-based) of the list, or every task when `only` is 0, in order.
ListRunTally RunTaskListFile(const std::string& list, int only, const std::atomic<int>& stop,
                             pipeline::ProgressPrinter& progress);

}  // namespace app
