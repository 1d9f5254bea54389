// The batch runner without a window, against the real converter: the walk over a list that
// may change between turns, every hook on the caller's thread, and the stop request.
#include <gtest/gtest.h>

#include <filesystem>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/batch_runner.h"
#include "platform/platform.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;
using pipeline::TurnEnding;

namespace {

struct ListedTask {
  pipeline::BatchTurn turn;
  std::string state;
};

class BatchRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ts::TempFolder() + "/runner-" + std::to_string(++counter_);
    plat::MakeDirs(folder + "/result");
    clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);
  }

  // Task `name`: `source` copied to `name`.mp4, turned portrait by the builder's command (the
  // runner makes it from the task's fields).
  ListedTask Converting(const std::string& name, bool finished = false, const std::string& source = {}) {
    ListedTask t;
    t.turn.finished = finished;
    const std::string copy = folder + "/" + name + ".mp4";
    std::filesystem::copy_file(source.empty() ? clip : source, copy);
    t.turn.record = source.empty() ? ts::TurnedTask(copy, 320, 180, 2) : ts::TurnedTask(copy, 1920, 1080, 5);
    if (!source.empty()) t.turn.record.outputDuration = "00:00:05";
    return t;
  }

  // Hooks over `tasks` that note every call's thread and each turn's ending.
  pipeline::BatchHooks Hooks() {
    pipeline::BatchHooks h;
    auto note = [this] { threads.push_back(std::this_thread::get_id()); };
    h.size = [this, note] {
      note();
      return static_cast<int>(tasks.size());
    };
    h.turn = [this, note](int row) {
      note();
      return tasks[size_t(row)].turn;
    };
    h.state = [this, note](int row, const std::string& s) {
      note();
      tasks[size_t(row)].state = s;
    };
    h.output = [note](int, std::string_view) { note(); };
    h.progress = [note](int, const pipeline::TaskProgress&) { note(); };
    h.ended = [this, note](int row, TurnEnding ending, const batch::WorkerResult&) {
      note();
      endings.emplace_back(row, ending);
      if (onEnded) onEnded(row);
    };
    return h;
  }

  static pipeline::BatchTiming Short() {
    pipeline::BatchTiming t;
    t.gapMs = 10;
    t.worker.pollMs = 100;
    t.worker.endOtherConverters = false;
    return t;
  }

  std::string folder, clip;
  std::vector<ListedTask> tasks;
  std::vector<std::thread::id> threads;
  std::vector<std::pair<int, TurnEnding>> endings;
  std::function<void(int)> onEnded;

 private:
  static inline int counter_ = 0;
};

TEST_F(BatchRunnerTest, WalksTheListAsItStandsAtEachTurn) {
  ListedTask gone = Converting("gone");
  gone.turn.record.foregroundPath = gone.turn.record.backgroundPath = task::Quote(folder + "/vanished.mp4");
  tasks = {Converting("done", true), gone, Converting("a")};
  // A task added while the walk runs is run in its turn.
  onEnded = [this](int row) {
    if (row == 2) tasks.push_back(Converting("b"));
  };
  pipeline::BatchRunner runner(Hooks(), Short());
  const pipeline::BatchTally tally = runner.Run();

  const std::vector<std::pair<int, TurnEnding>> expected = {{0, TurnEnding::Skipped},
                                                            {1, TurnEnding::Missing},
                                                            {2, TurnEnding::Completed},
                                                            {3, TurnEnding::Completed}};
  EXPECT_EQ(endings, expected);
  EXPECT_EQ(tasks[1].state, "文件缺失");
  EXPECT_EQ(tasks[2].state, "处理完毕");
  EXPECT_TRUE(plat::FileExists(folder + "/result/a_1.mp4"));
  EXPECT_TRUE(plat::FileExists(folder + "/result/b_1.mp4"));
  EXPECT_EQ(tally.finished, 2);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(tally.skipped, 1);
  EXPECT_FALSE(tally.stopped);
  EXPECT_FALSE(runner.active());
  for (const std::thread::id& id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(BatchRunnerTest, AStopRequestEndsTheRunningTaskAndTheWalk) {
  // A task that runs for seconds, stopped at its first output.
  tasks = {Converting("a", false, ts::VideoWithSound(1920, 1080, 5)), Converting("b")};
  std::stop_source stop;
  pipeline::BatchHooks hooks = Hooks();
  hooks.output = [&stop](int, std::string_view) { stop.request_stop(); };  // at its first output
  pipeline::BatchRunner runner(std::move(hooks), Short());
  const pipeline::BatchTally tally = runner.Run(0, -1, stop.get_token());

  EXPECT_TRUE(tally.stopped);
  EXPECT_EQ(endings, (std::vector<std::pair<int, TurnEnding>>{{0, TurnEnding::Stopped}}));
  EXPECT_EQ(tasks[0].state, "手动停止");
  EXPECT_EQ(tasks[1].state, "");
  EXPECT_FALSE(plat::FileExists(folder + "/result/a_tmp.mp4"));
  EXPECT_FALSE(runner.stopRequested());  // the next batch starts afresh
}

}  // namespace
