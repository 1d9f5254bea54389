#pragma once
// The walk of `flipframe run` over a task list file: the window's batch runner over a list
// on disk. Each task's turn reads the file afresh (another run may have finished the task
// meanwhile); the runner skips it when finished, marks it "文件缺失" when a source is gone,
// else runs it; the row's new texts are recorded in the file under its lock.
#include <QString>

#include <stop_token>
#include <string>

#include "cli/progress_printer.h"

namespace app {

struct ListRunTally {
  int finished = 0;         // ran to "处理完毕"
  int failed = 0;           // an output error, a missing source, or an outcome not recorded
  int alreadyFinished = 0;  // skipped
  bool stopped = false;     // a stop request ended the walk
  QString error;            // the list could not be read again; the walk ended there
};

// Runs task `only` (1-based) of the list, or every task when `only` is 0, in order.
ListRunTally RunTaskListFile(const std::string& list, int only, std::stop_token stop,
                             pipeline::ProgressPrinter& progress);

}  // namespace app
