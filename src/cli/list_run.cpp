#include "cli/list_run.h"

#include <condition_variable>
#include <cstdio>
#include <limits>
#include <mutex>
#include <set>
#include <thread>

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "pipeline/batch_runner.h"
#include "pipeline/concurrent.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/task_list_ledger.h"
#include "store/utf8.h"
#include "task/task_record.h"
#include "text/bytes.h"

namespace app {
namespace {

void Say(const QString& message) { std::fprintf(stderr, "flipframe run: %s\n", ToUtf8(message).c_str()); }

// Renews this process's claim on a task every kClaimRenewSeconds while it converts, so that
// runs on other machines do not take it over as stale.
class ClaimRenewal {
 public:
  ClaimRenewal(TaskListLedger& ledger, const QString& id)
      : thread_([this, &ledger, id](std::stop_token stop) {
          std::unique_lock<std::mutex> lock(mutex_);
          for (;;) {
            woken_.wait_for(lock, stop, std::chrono::seconds(kClaimRenewSeconds), [] { return false; });
            if (stop.stop_requested()) return;
            if (const QString error = ledger.Renew(id); !error.isEmpty()) Say(error);
          }
        }) {}

 private:
  std::mutex mutex_;
  std::condition_variable_any woken_;
  std::jthread thread_;  // last: stopped and joined first
};

// One claimed task through the batch runner, its outcome recorded on the task's id.
// What the runs of one `flipframe run` share.
struct SharedWalk {
  std::mutex mutex;
  ListRunTally tally;
  std::set<QString> passed;  // tasks this run has had its turn at (a failed one is not retried)
};

void RunClaimed(TaskListLedger& ledger, const ClaimedTask& claimed, std::stop_token stop,
                pipeline::ProgressPrinter& progress, SharedWalk& walk) {
  const TaskRow& r = claimed.row;
  const std::string label = std::to_string(claimed.number) + "/" + std::to_string(claimed.total) + " " +
                            task::Unquote(r.record.foregroundPath);
  TaskOutcome outcome{r.speed, r.state, r.record.finalOutputPath};
  bool recorded = false;

  pipeline::BatchHooks h;
  h.size = [] { return 1; };
  h.turn = [&](int) { return pipeline::BatchTurn{false, r.record}; };
  const std::array<std::string, 4> filters = presets::LocalEffectFilters();
  h.effectFilters = [&filters] { return filters; };
  h.taskStarting = [&](int, const task::TaskRecord& record) {
    // A result folder removed since the task was made is made again, as the window's
    // command builder makes it; only that folder, beside a foreground that is there.
    const std::string foreground = task::Unquote(record.foregroundPath);
    const size_t slash = foreground.rfind('/');
    if (slash != std::string::npos && plat::IsDirectory(foreground.substr(0, slash + 1)))
      plat::MakeDirs(foreground.substr(0, slash + 1) + "result");
    progress.Start(label, text::SecondsOfDuration(text::Left(record.outputDuration, 8)));
  };
  h.output = [&](int, std::string_view chunk) { progress.Output(chunk); };
  h.speed = [&](int, const std::string& s) {
    progress.Speed(s);
    outcome.speed = FromUtf8(s);
  };
  h.state = [&](int, const std::string& s) {
    if (s == batch::kStateMissing)
      progress.Note(label + "  " + batch::kStateMissing);
    else
      progress.State(s);
    outcome.state = FromUtf8(s);
  };
  h.ended = [&](int, pipeline::TurnEnding ending, const batch::WorkerResult& result) {
    using pipeline::TurnEnding;
    if (ending != TurnEnding::Missing) progress.End();
    if (ending == TurnEnding::Completed) outcome.finalOutputPath = result.finalOutputPath;
    const QString error = ledger.Record(r.id, outcome);
    recorded = true;
    if (!error.isEmpty()) Say(error);
    if (ending == TurnEnding::Stopped) return;
    // An outcome kept for later counts as what it is; one that can never be written fails.
    const bool kept = !error.isEmpty() && ledger.unwritten() > 0;
    const std::lock_guard<std::mutex> lock(walk.mutex);
    ++(ending == TurnEnding::Completed && (error.isEmpty() || kept) ? walk.tally.finished
                                                                    : walk.tally.failed);
  };

  pipeline::BatchTiming timing;
  timing.gapMs = 0;
  timing.worker.endOtherConverters = false;  // runs of other tasks may share the program folder
  pipeline::BatchRunner runner(std::move(h), timing);
  bool stopped = false;
  {
    const ClaimRenewal renewal(ledger, r.id);
    stopped = runner.Run(0, 1, stop).stopped;
  }
  if (stopped) {
    const std::lock_guard<std::mutex> lock(walk.mutex);
    walk.tally.stopped = true;
  }
  // A stop that came before the converter started: the task is free again.
  if (!recorded) ledger.Release(r.id);
}

// One line of work: claims and runs tasks one after another until none is left for it.
void Walk(TaskListLedger& ledger, const std::string& list, int only, std::stop_token stop,
          pipeline::ProgressBoard& board, SharedWalk& walk) {
  pipeline::ProgressPrinter progress(board);
  for (;;) {
    std::unique_lock<std::mutex> lock(walk.mutex);
    if (walk.tally.stopped || !walk.tally.error.isEmpty()) return;
    if (stop.stop_requested()) {
      walk.tally.stopped = true;
      return;
    }
    // Claimed under the list's lock and this run's own: lines never take one task twice.
    const ClaimedTask claimed = ledger.Claim(only, walk.passed);
    ListRunTally& tally = walk.tally;
    if (claimed.end == ClaimEnd::Error) {
      tally.error = claimed.error;
      tally.refused = walk.passed.empty();
      return;
    }
    if (claimed.end != ClaimEnd::Claimed) {
      tally.alreadyFinished = std::max(0, claimed.finished - tally.finished);
      tally.busy = claimed.busy;
      if (claimed.end == ClaimEnd::Busy && claimed.holder && only != 0)
        board.Print(list + "：第 " + std::to_string(only) + " 个任务正由 " + claimed.holder->host +
                    " 上的进程 " + std::to_string(claimed.holder->pid) + " 执行");
      return;
    }
    walk.passed.insert(claimed.row.id);
    lock.unlock();
    RunClaimed(ledger, claimed, stop, progress, walk);
    if (only != 0) return;
  }
}

}  // namespace

ListRunTally RunTaskListFile(TaskListLedger& ledger, const std::string& list, int only, int jobs,
                             std::stop_token stop, pipeline::ProgressBoard& board) {
  SharedWalk walk;
  const int lines = only != 0 ? 1 : jobs;
  pipeline::RunConcurrently(lines, lines, [&](int) { Walk(ledger, list, only, stop, board, walk); });
  // Outcomes a full disk kept back are written now, or said to be lost.
  const int kept = ledger.unwritten();
  // A stopped run ends at once: the journal is folded by the next run's end.
  if (const QString error = ledger.Close(!walk.tally.stopped); !error.isEmpty()) {
    Say(error);
    walk.tally.unwritten = ledger.unwritten();
  } else if (kept > 0) {
    Say(QStringLiteral("此前未能写入的 %1 个任务结果已补写到任务列表文件“%2”。")
            .arg(QString::number(kept), FromUtf8(list)));
  }
  return walk.tally;
}

}  // namespace app
