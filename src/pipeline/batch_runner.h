#pragma once
// The batch: a walk over a task list that runs its tasks through the task worker, one at a
// time or up to `jobs` at once (finished tasks skipped, a task whose sources are gone marked
// "文件缺失", a gap before a task that follows an ended one, a stop request that ends every
// running task and the walk), and the trial run of a task about to be stored.
//
// The walk runs on the caller's thread, the window's or the command line's. Each task runs on
// a worker thread of its own; its reports come back to the caller's thread through a queue
// the walk empties while it waits, so every hook is called on the caller's thread. The stop
// request is the only other thing that crosses threads.
#include <array>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "batch/progress_clock.h"
#include "batch/task_worker.h"
#include "pipeline/follow_prep.h"
#include "pipeline/stored_task.h"
#include "task/task_record.h"

namespace pipeline {

// A task as the list gives it at its turn.
struct BatchTurn {
  bool finished = false;  // "处理完毕": skipped
  task::TaskRecord record;
};

enum class TurnEnding { Skipped, Missing, Completed, Failed, Stopped };

// How the running task is getting on, by the progress clock (time paused left out).
struct TaskProgress {
  double fraction = 0;  // 0 to 1
  std::optional<double> speed;
  std::optional<double> secondsLeft;
};

struct BatchHooks {
  // The list, asked afresh at each turn (another run may have changed it): its number of
  // tasks (0 when it can no longer be read, which ends the walk), and task `row` (0-based).
  std::function<int()> size;
  std::function<BatchTurn(int row)> turn;
  // A turn begins, before the skip tests.
  std::function<void(int row, int total)> turnStarted;
  // The local effect filters (de.ini), asked when a task starts: a task runs the command
  // the builder makes from its fields with these (RunWords), never its stored text.
  std::function<std::array<std::string, 4>()> effectFilters;
  // A task's converter is about to start (after the skip tests).
  std::function<void(int row, const task::TaskRecord& record)> taskStarting;
  // The running task's row texts (速度x, 执行状态), in the worker's order. The speed is the
  // clock's once it has one: the converter's own keeps counting the time it was suspended.
  std::function<void(int row, const std::string&text)> speed, state;
  std::function<void(int row, std::string_view chunk)> output;
  std::function<void(int row, const TaskProgress& progress)> progress;
  // A turn has ended; `result` is the worker's (empty for Skipped and Missing).
  std::function<void(int row, TurnEnding ending, const batch::WorkerResult& result)> ended;
  // Waits at most `ms` for news from the worker, ended early by `wake`; the window keeps its
  // events flowing meanwhile. Unset: a plain wait on the runner's queue.
  std::function<void(int ms)> wait;
  // Called on the worker's thread after each report it queues.
  std::function<void()> wake;
};

struct BatchTiming {
  int waitMs = 500;       // longest wait for a task's worker between two looks
  int trialWaitMs = 300;  // the same for a trial, and the pause after it
  int gapMs = 300;        // before a task that follows an ended one
  int jobs = 1;           // tasks run at once
  batch::WorkerTiming worker;
};

struct BatchTally {
  int finished = 0;  // ran to "处理完毕"
  int failed = 0;    // an output error or a missing source
  int skipped = 0;   // already finished
  bool stopped = false;
};

class BatchRunner {
 public:
  explicit BatchRunner(BatchHooks hooks, BatchTiming timing = {});
  BatchRunner(const BatchRunner&) = delete;
  BatchRunner& operator=(const BatchRunner&) = delete;

  // Walks tasks `first` (0-based) on, `count` of them at most, until the list ends or a stop
  // request (RequestStop, or `stop`) comes. Returns when the walk is over and every task it
  // started has ended; with several jobs, turns end in the order their tasks finish.
  BatchTally Run(int first = 0, int count = -1, std::stop_token stop = {});
  // Any thread: every running task stops and no turn follows.
  void RequestStop() { stop_.request_stop(); }

  // The trial of `arguments`: "" when the converter accepts them, else its raw error text.
  std::string Trial(const std::string& arguments);

  // The converters are suspended or resumed by the caller; the clocks leave that time out,
  // and no new task starts while paused.
  void Pause();
  void Resume();
  // Tasks the next walk runs at once (at least 1).
  void SetJobs(int jobs) { timing_.jobs = jobs; }

  bool active() const { return flags_.active; }          // from a walk's start to its end
  bool converting() const { return flags_.converting; }  // tasks' turns, before the gap
  bool trialRunning() const { return flags_.trial; }
  bool stopRequested() const { return stop_.stop_requested(); }

  struct Flags {
    bool active = false, converting = false, trial = false;
  };
  // Tests put the runner in a state without a converter.
  void ForceFlagsForTest(Flags flags) { flags_ = flags; }

 private:
  struct Running {  // a task on its worker thread
    int row = 0;
    bool done = false;  // set on the caller's thread by the worker's last report
    batch::WorkerResult result;
    bool sourcesChanged = false;
    std::thread thread;
  };
  // Starts task `row` on a worker thread: a follow task's analysis ("分析 40％" in its row),
  // then its converter.
  void StartTask(int row, const task::TaskRecord& record);
  batch::WorkerResult RunTask(int row, const task::TaskRecord& record, const EffectFilters& filters);
  batch::WorkerReport ReportFor(int row);
  // Ends the turns of the tasks that have ended.
  struct EndedTurns {
    int count = 0;
    bool stopped = false;  // one of them by a stop
  };
  EndedTurns EndFinishedTurns(BatchTally& tally);
  void Post(std::function<void()> report);
  void WaitForWorker(int ms);
  void Drain();
  void OnOutput(int row, const std::string& chunk);
  void OnSpeed(int row, const std::string& text);

  BatchHooks hooks_;
  BatchTiming timing_;
  Flags flags_;
  std::stop_source stop_;
  bool paused_ = false;
  std::vector<std::unique_ptr<Running>> running_;
  std::map<int, batch::ProgressClock> clocks_;  // by row, while its converter runs

  // Reports queued by the worker thread for the caller's.
  std::mutex queueMutex_;
  std::condition_variable queued_;
  std::vector<std::function<void()>> queue_;
};

}  // namespace pipeline
