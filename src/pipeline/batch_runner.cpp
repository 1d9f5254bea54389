#include "pipeline/batch_runner.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>
#include <utility>

#include "batch/progress.h"
#include "pipeline/publish.h"
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
  const size_t jobs = size_t(std::max(1, timing_.jobs));
  int row = first;
  bool listEnded = false;
  auto gapEnds = std::chrono::steady_clock::time_point::min();  // no new task before
  for (;;) {
    // New turns while there is room; a stop asked for during the gap ends the batch here.
    while (!listEnded && !stopRequested() && !paused_ && running_.size() < jobs && Now() >= gapEnds) {
      const int total = hooks_.size ? hooks_.size() : 0;
      if (row >= end || row >= total) {
        listEnded = true;
        break;
      }
      if (hooks_.turnStarted) hooks_.turnStarted(row, total);
      flags_.converting = true;
      const BatchTurn turn = hooks_.turn(row);
      if (turn.finished) {
        ++tally.skipped;
        if (hooks_.ended) hooks_.ended(row, TurnEnding::Skipped, {});
      } else if (!task::SourcesPresent(turn.record)) {
        if (hooks_.state) hooks_.state(row, batch::kStateMissing);
        ++tally.failed;
        if (hooks_.ended) hooks_.ended(row, TurnEnding::Missing, {});
      } else {
        StartTask(row, turn.record);
      }
      flags_.converting = !running_.empty();
      ++row;
    }
    if (running_.empty() && (listEnded || stopRequested())) break;
    int waitMs = timing_.waitMs;
    if (const auto now = Now(); now < gapEnds)
      waitMs = int(std::min<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(gapEnds - now).count(), waitMs));
    WaitForWorker(waitMs);
    const EndedTurns ended = EndFinishedTurns(tally);
    if (ended.stopped) RequestStop();
    if (ended.count > 0 && timing_.gapMs > 0) gapEnds = Now() + std::chrono::milliseconds(timing_.gapMs);
    flags_.converting = !running_.empty();
  }
  tally.stopped = stopRequested();
  flags_ = {};
  paused_ = false;
  stop_ = std::stop_source();  // the next batch starts without a stop request
  return tally;
}

BatchRunner::EndedTurns BatchRunner::EndFinishedTurns(BatchTally& tally) {
  EndedTurns ended;
  for (auto it = running_.begin(); it != running_.end();) {
    Running& task = **it;
    if (!task.done) {
      ++it;
      continue;
    }
    task.thread.join();
    const batch::WorkerEnding e = task.result.ending;
    const TurnEnding ending = e == batch::WorkerEnding::Completed ? TurnEnding::Completed
                              : e == batch::WorkerEnding::Stopped ? TurnEnding::Stopped
                                                                  : TurnEnding::Failed;
    if (ending == TurnEnding::Completed && task.sourcesChanged && hooks_.state)
      hooks_.state(task.row, batch::kStateSourceChanged);
    if (ending == TurnEnding::Completed) ++tally.finished;
    if (ending == TurnEnding::Failed) ++tally.failed;
    if (ending == TurnEnding::Stopped) ended.stopped = true;
    clocks_.erase(task.row);
    if (hooks_.ended) hooks_.ended(task.row, ending, task.result);
    ++ended.count;
    it = running_.erase(it);
  }
  return ended;
}

void BatchRunner::StartTask(int row, const task::TaskRecord& record) {
  if (hooks_.taskStarting) hooks_.taskStarting(row, record);
  const EffectFilters filters = hooks_.effectFilters ? hooks_.effectFilters() : EffectFilters{};
  running_.push_back(std::make_unique<Running>());
  Running* task = running_.back().get();
  task->row = row;
  task->thread = std::thread([this, task, record, filters] {
    batch::WorkerResult r = RunTask(task->row, record, filters);
    const bool changed =
        r.ending == batch::WorkerEnding::Completed && task::SourcesChangedSinceStamped(record);
    // The last report: everything the worker queued before it has been handled by then.
    Post([task, changed, r = std::move(r)]() mutable {
      task->result = std::move(r);
      task->sourcesChanged = changed;
      task->done = true;
    });
  });
}

// On the task's worker thread.
batch::WorkerResult BatchRunner::RunTask(int row, const task::TaskRecord& record,
                                         const EffectFilters& filters) {
  const batch::WorkerReport report = ReportFor(row);
  const auto& state = report.state;
  task::BuildEnvironment env = task::DiskEnvironment(filters);
  std::vector<task::BandTextFile> textFiles;  // the same in both builds: named after the output
  std::vector<std::string> words = RunWords(record, env, &textFiles);
  const FollowPrep prep = PrepareFollow(record, batch::OutputFile(words), stop_.get_token(),
                                        [&](double fraction) { state(AnalysisStateText(fraction)); });
  if (!prep.sendcmdPath.empty()) words = RunWords(record, FollowEnvironment(std::move(env), prep));
  if (prep.stopped) {
    state(batch::kStateStopped);
    return {batch::WorkerEnding::Stopped, {}, {}};
  }
  if (!prep.ok) {
    state(batch::OutputErrorState(prep.error));
    return {batch::WorkerEnding::Failed, prep.error, {}};
  }
  if (std::string why = WriteBandTexts(textFiles); !why.empty()) {
    CleanUpFollow(prep);
    state(batch::OutputErrorState(why));
    return {batch::WorkerEnding::Failed, why, {}};
  }
  const int duration = batch::TaskDuration(words);
  const auto started = Now();
  Post([this, row, duration, started] {
    clocks_.insert_or_assign(row, batch::ProgressClock(duration, started));
  });
  batch::WorkerResult result = batch::RunTaskWorker(words, false, stop_.get_token(), report, timing_.worker);
  CleanUpFollow(prep);
  RemoveBandTexts(textFiles);
  return result;
}

batch::WorkerReport BatchRunner::ReportFor(int row) {
  batch::WorkerReport report;
  report.speed = [this, row](const std::string& s) { Post([this, row, s] { OnSpeed(row, s); }); };
  report.state = [this, row](const std::string& s) {
    Post([this, row, s] {
      if (hooks_.state) hooks_.state(row, s);
    });
  };
  report.output = [this, row](std::string_view chunk) {
    Post([this, row, text = std::string(chunk)] { OnOutput(row, text); });
  };
  return report;
}

std::string BatchRunner::Trial(const std::string& arguments) {
  flags_.trial = true;
  bool done = false;
  batch::WorkerResult result;
  std::thread worker([&] {
    batch::WorkerResult r =
        batch::RunTaskWorker(probe::SplitArguments(arguments), true, {}, {}, timing_.worker);
    Post([&done, &result, r = std::move(r)]() mutable {
      result = std::move(r);
      done = true;
    });
  });
  while (!done) WaitForWorker(timing_.trialWaitMs);
  worker.join();
  flags_.trial = false;
  return result.errorText;
}

void BatchRunner::Pause() {
  paused_ = true;
  for (auto& [row, clock] : clocks_) clock.Pause(Now());
}

void BatchRunner::Resume() {
  paused_ = false;
  for (auto& [row, clock] : clocks_) clock.Resume(Now());
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
  const auto clock = clocks_.find(row);
  if (clock == clocks_.end()) return;
  const auto now = Now();
  clock->second.Observe(chunk, now);
  if (hooks_.progress)
    hooks_.progress(row, {clock->second.Fraction(), clock->second.Speed(), clock->second.SecondsLeft(now)});
}

void BatchRunner::OnSpeed(int row, const std::string& text) {
  if (!hooks_.speed) return;
  const auto clock = clocks_.find(row);
  const std::optional<double> speed = clock != clocks_.end() ? clock->second.Speed() : std::nullopt;
  hooks_.speed(row, speed ? batch::SpeedFigureText(*speed) : text);
}

}  // namespace pipeline
