#include "pipeline/batch_runner.h"

#include <chrono>
#include <limits>
#include <thread>
#include <utility>

#include "batch/progress.h"
#include "pipeline/stored_task.h"
#include "probe/converter.h"

namespace pipeline {
namespace {

std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }

}  // namespace

BatchRunner::BatchRunner(BatchHooks hooks, BatchTiming timing) : hooks_(std::move(hooks)), timing_(timing) {}

BatchTally BatchRunner::Run(int first, int count, std::stop_token stop) {
  BatchTally tally;
  flags_.active = true;
  const std::stop_callback forward(stop, [this] { RequestStop(); });
  const int end = count < 0 ? std::numeric_limits<int>::max() : first + count;
  for (int row = first; row < end; ++row) {
    if (stopRequested()) break;  // a stop asked for during the gap ends the batch here
    const int total = hooks_.size ? hooks_.size() : 0;
    if (row >= total) break;
    if (hooks_.turnStarted) hooks_.turnStarted(row, total);
    flags_.converting = true;
    const BatchTurn turn = hooks_.turn(row);
    batch::WorkerResult result;
    TurnEnding ending = TurnEnding::Skipped;
    if (turn.finished) {
      ++tally.skipped;
    } else if (!task::SourcesPresent(turn.record)) {
      ending = TurnEnding::Missing;
      if (hooks_.state) hooks_.state(row, batch::kStateMissing);
      ++tally.failed;
    } else {
      result = RunTask(row, turn.record);
      ending = result.ending == batch::WorkerEnding::Completed ? TurnEnding::Completed
               : result.ending == batch::WorkerEnding::Stopped ? TurnEnding::Stopped
                                                               : TurnEnding::Failed;
      if (ending == TurnEnding::Completed && task::SourcesChangedSinceStamped(turn.record) && hooks_.state)
        hooks_.state(row, batch::kStateSourceChanged);
      if (ending == TurnEnding::Completed) ++tally.finished;
      if (ending == TurnEnding::Failed) ++tally.failed;
    }
    if (hooks_.ended) hooks_.ended(row, ending, result);
    flags_.converting = false;
    if (ending == TurnEnding::Skipped || ending == TurnEnding::Missing) continue;
    if (ending == TurnEnding::Stopped || stopRequested()) break;
    if (timing_.gapMs > 0) WaitForWorker(timing_.gapMs);
  }
  tally.stopped = stopRequested();
  flags_ = {};
  stop_ = std::stop_source();  // the next batch starts without a stop request
  return tally;
}

batch::WorkerResult BatchRunner::RunTask(int row, const task::TaskRecord& record) {
  if (hooks_.taskStarting) hooks_.taskStarting(row, record);
  const FollowPrep prep = PrepareOnWorker(row, record);
  if (prep.stopped) {
    if (hooks_.state) hooks_.state(row, batch::kStateStopped);
    return {batch::WorkerEnding::Stopped, {}, {}};
  }
  if (!prep.ok) {
    if (hooks_.state) hooks_.state(row, batch::OutputErrorState(prep.error));
    return {batch::WorkerEnding::Failed, prep.error, {}};
  }
  const std::vector<std::string> words = RunWords(
      record, task::DiskEnvironment(hooks_.effectFilters ? hooks_.effectFilters() : EffectFilters{}));
  clock_.emplace(batch::TaskDuration(words), Now());
  batch::WorkerResult result = RunOnWorker(row, words, false);
  clock_.reset();
  CleanUpFollow(prep);
  return result;
}

FollowPrep BatchRunner::PrepareOnWorker(int row, const task::TaskRecord& record) {
  if (record.layout.kind != task::LayoutKind::Follow) return {};
  bool done = false;
  FollowPrep prep;
  const auto state = [this, row](const std::string& s) {
    Post([this, row, s] {
      if (hooks_.state) hooks_.state(row, s);
    });
  };
  std::thread worker([&, stop = stop_.get_token()] {
    FollowPrep p = PrepareFollow(record, stop, state);
    Post([&done, &prep, p = std::move(p)]() mutable {
      prep = std::move(p);
      done = true;
    });
  });
  while (!done) WaitForWorker(timing_.waitMs);
  worker.join();
  return prep;
}

std::string BatchRunner::Trial(const std::string& arguments) {
  flags_.trial = true;
  const batch::WorkerResult result = RunOnWorker(-1, probe::SplitArguments(arguments), true);
  flags_.trial = false;
  return result.errorText;
}

void BatchRunner::Pause() {
  if (clock_) clock_->Pause(Now());
}

void BatchRunner::Resume() {
  if (clock_) clock_->Resume(Now());
}

batch::WorkerResult BatchRunner::RunOnWorker(int row, const std::vector<std::string>& words, bool trial) {
  batch::WorkerReport report;
  if (!trial) {
    report.speed = [this, row](const std::string& s) { Post([this, row, s] { OnSpeed(row, s); }); };
    report.state = [this, row](const std::string& s) {
      Post([this, row, s] {
        if (hooks_.state) hooks_.state(row, s);
      });
    };
    report.output = [this, row](std::string_view chunk) {
      Post([this, row, text = std::string(chunk)] { OnOutput(row, text); });
    };
  }
  bool done = false;
  batch::WorkerResult result;
  const std::stop_token stop = trial ? std::stop_token() : stop_.get_token();
  std::thread worker([&, stop] {
    batch::WorkerResult r = batch::RunTaskWorker(words, trial, stop, report, timing_.worker);
    // The last report: everything the worker queued before it has been handled by then.
    Post([&done, &result, r = std::move(r)]() mutable {
      result = std::move(r);
      done = true;
    });
  });
  while (!done) WaitForWorker(trial ? timing_.trialWaitMs : timing_.waitMs);
  worker.join();
  return result;
}

void BatchRunner::Post(std::function<void()> report) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(std::move(report));
  }
  queued_.notify_one();
  if (hooks_.wake) hooks_.wake();
}

void BatchRunner::WaitForWorker(int ms) {
  if (hooks_.wait) {
    hooks_.wait(ms);
  } else {
    std::unique_lock<std::mutex> lock(queueMutex_);
    queued_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !queue_.empty(); });
  }
  Drain();
}

void BatchRunner::Drain() {
  std::vector<std::function<void()>> reports;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    reports.swap(queue_);
  }
  for (auto& report : reports) report();
}

void BatchRunner::OnOutput(int row, const std::string& chunk) {
  if (hooks_.output) hooks_.output(row, chunk);
  if (!clock_) return;
  const auto now = Now();
  clock_->Observe(chunk, now);
  if (hooks_.progress) hooks_.progress(row, {clock_->Fraction(), clock_->Speed(), clock_->SecondsLeft(now)});
}

void BatchRunner::OnSpeed(int row, const std::string& text) {
  if (!hooks_.speed) return;
  const std::optional<double> speed = clock_ ? clock_->Speed() : std::nullopt;
  hooks_.speed(row, speed ? batch::SpeedFigureText(*speed) : text);
}

}  // namespace pipeline
