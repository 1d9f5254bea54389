// The task worker against the real converter on tiny generated clips: completion and the
// final name, failures with and without "invalid", stop, pause then stop, and the trial.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "batch/process_control.h"
#include "batch/task_worker.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "support/media.h"
#include "support/program_folder.h"
#include "support/task_helpers.h"

namespace {

using batch::WorkerEnding;
using batch::WorkerResult;
namespace ts = testing_support;

// Collects the row states the worker reports, from its own thread.
struct RowRecorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> states;

  batch::WorkerReport Report() {
    return {[](const std::string&) {},
            [this](const std::string& s) {
              std::lock_guard<std::mutex> lock(mutex);
              states.push_back(s);
              changed.notify_all();
            }};
  }
  std::vector<std::string> States() {
    std::lock_guard<std::mutex> lock(mutex);
    return states;
  }
  std::string LastState() {
    const auto all = States();
    return all.empty() ? std::string() : all.back();
  }
  // Waits until the worker has written a state.
  void WaitForAnyState() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !states.empty(); });
  }
};

class TaskWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ts::TempFolder() + "/worker-" + std::to_string(++counter_);
    plat::MakeDirs(folder + "/result");
    // A program folder of our own: the ownership variable then marks only this test's
    // converters, and the clean-up never reaches another test process.
    plat::MakeDirs(folder + "/program");
    plat::SetProgramFolderForTesting(folder + "/program");
    source = folder + "/clip.mp4";
    std::filesystem::copy_file(ts::VideoWithSound(320, 180, 2), source);
    temporary = folder + "/result/clip_tmp.mp4";
  }
  void TearDown() override {
    EXPECT_TRUE(batch::OwnedConverters().empty()) << "a converter was left running";
    plat::SetProgramFolderForTesting(testing_support::OwnProgramFolder());
  }

  // The builder's landscape-to-portrait form for the clip, or for `input` in its place.
  std::string PortraitCommand(const std::string& to = "00:00:02", const std::string& input = "") const {
    return ts::PortraitCommand(input.empty() ? source : input, temporary, to);
  }

  WorkerResult Run(const std::string& arguments, bool trial = false, const batch::WorkerTiming& timing = {}) {
    return batch::RunTaskWorker(arguments, trial, stop.get_token(), recorder.Report(), timing);
  }

  // Names in result/ of temporary outputs (each run has its own), one a line.
  std::string TemporariesLeft() const {
    return ts::Capture("ls -A '" + folder + "/result' | grep _tmp || true");
  }

  std::string folder, source, temporary;
  std::stop_source stop;
  RowRecorder recorder;

 private:
  static inline int counter_ = 0;
};

// The final name always carries a counter; a file or a folder holding clip_1.mp4 is left
// alone and clip_2.mp4 is taken.
TEST_F(TaskWorkerTest, CompletesAndMovesTheOutputToTheFirstFreeFinalName) {
  const std::string first = folder + "/result/clip_1.mp4", second = folder + "/result/clip_2.mp4";
  enum Taken { kNothing, kFile, kFolder };
  for (Taken taken : {kNothing, kFile, kFolder}) {
    SCOPED_TRACE(taken);
    std::filesystem::remove_all(first);
    std::filesystem::remove_all(second);
    if (taken == kFile) ts::Shell("printf keep > '" + first + "'");
    if (taken == kFolder) plat::MakeDirs(first);
    batch::WorkerTiming quick;  // the naming does not depend on the pace of the polls
    quick.pollMs = 100;
    const WorkerResult r = Run(PortraitCommand(), false, quick);
    EXPECT_EQ(r.ending, WorkerEnding::Completed) << r.errorText;
    EXPECT_EQ(r.errorText, "");
    EXPECT_EQ(r.finalOutputPath, taken == kNothing ? first : second);
    EXPECT_EQ(recorder.LastState(), "处理完毕");
    EXPECT_EQ(TemporariesLeft(), "");
    const ts::ProbeFacts facts = ts::MediaFacts(r.finalOutputPath);
    EXPECT_EQ(facts.width, 180);
    EXPECT_EQ(facts.height, 320);
    EXPECT_TRUE(facts.hasAudio);
    EXPECT_NEAR(facts.duration, 2.0, 0.2);
    if (taken == kFile) EXPECT_EQ(plat::FileSize(first), 4);
    if (taken == kFolder) EXPECT_TRUE(plat::IsDirectory(first));
  }
}

// The converter's end and a stop are seen as they happen, not at the next cycle: with a cycle
// of a minute, both end the task within moments (a polling worker would take the minute).
TEST_F(TaskWorkerTest, EndAndStopAreSeenAtOnceNotAtTheNextCycle) {
  batch::WorkerTiming minute;
  minute.pollMs = 60000;
  for (const bool stopping : {false, true}) {
    SCOPED_TRACE(stopping ? "stop" : "end");
    stop = std::stop_source();
    std::chrono::steady_clock::time_point asked;
    std::thread stopper;
    if (stopping)
      stopper = std::thread([&] {
        recorder.WaitForAnyState();
        asked = std::chrono::steady_clock::now();
        stop.request_stop();
      });
    const auto started = std::chrono::steady_clock::now();
    const WorkerResult r =
        Run(stopping ? ts::PacedCommand(source, temporary) : PortraitCommand(), false, minute);
    if (stopper.joinable()) stopper.join();
    EXPECT_EQ(r.ending, stopping ? WorkerEnding::Stopped : WorkerEnding::Completed) << r.errorText;
    const auto since = std::chrono::steady_clock::now() - (stopping ? asked : started);
    EXPECT_LT(since, std::chrono::milliseconds(minute.pollMs / 2));
  }
}

// Two runs of one task at once (two `flipframe run` processes, or `convert` twice on one
// clip) each write a temporary file of their own and take a final name of their own.
TEST_F(TaskWorkerTest, RunsOfOneTaskAtOnceNeverShareAFile) {
  WorkerResult results[2];
  std::stop_source stops[2];
  std::thread runs[2];
  for (int k = 0; k < 2; ++k)
    runs[k] = std::thread([&, k] {
      results[k] = batch::RunTaskWorker(PortraitCommand(), false, stops[k].get_token(), {}, {});
    });
  for (std::thread& t : runs) t.join();
  for (const WorkerResult& r : results) {
    EXPECT_EQ(r.ending, WorkerEnding::Completed) << r.errorText;
    EXPECT_NEAR(ts::MediaFacts(r.finalOutputPath).duration, 2.0, 0.2) << r.finalOutputPath;
  }
  EXPECT_NE(results[0].finalOutputPath, results[1].finalOutputPath);
  EXPECT_EQ(ts::Capture("ls '" + folder + "/result'"), "clip_1.mp4\nclip_2.mp4\n");
}

// Only evidence deletes a finished output. A stand-in converter answers "-i FILE" slowly
// (past the picker's idle limit of about a second), or writes a file that is no media and
// exits with 0; conversions otherwise go to the real converter.
TEST_F(TaskWorkerTest, OnlyABrokenOutputIsDeletedNotASlowCheck) {
  const std::string real = plat::FindOnPath("ffmpeg");
  ASSERT_FALSE(real.empty());
  const std::string standIn = folder + "/program/ffmpeg";
  std::ofstream(standIn) << "#!/bin/sh\n"
                            // Without the level tags the program asks for (the last -loglevel wins).
                            "if [ \"$2\" = -loglevel ]; then shift 3; set -- -hide_banner \"$@\"; fi\n"
                            "if [ \"$#\" = 3 ] && [ \"$2\" = -i ]; then sleep \"$PROBE_DELAY\"; fi\n"
                            "if [ -n \"$WRITE_GARBAGE\" ] && [ \"$#\" -gt 3 ]; then\n"
                            "  for last; do :; done; echo garbage > \"$last\"; exit 0\n"
                            "fi\n"
                            // Without progress lines the output is checked by a second look.
                            "exec '" +
                                real + "' -loglevel error \"$@\"\n";
  std::filesystem::permissions(standIn, std::filesystem::perms::owner_all);
  probe::ResolveConverterAgain();
  ASSERT_EQ(probe::ConverterPath(), standIn);
  struct Case {
    const char* name;
    const char* delay;
    bool garbage;
    int checkLimitMs;
    bool kept;
    const char* state;
  };
  const Case cases[] = {
      {"check slower than the old limit", "2", false, 60000, true, "处理完毕"},
      {"check out of time: no verdict", "3", false, 1000, true, "处理完毕"},
      {"no media at all", "0", true, 60000, false, "输出错误(输出文件无法读取："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setenv("PROBE_DELAY", c.delay, 1);
    if (c.garbage) setenv("WRITE_GARBAGE", "1", 1);
    std::filesystem::remove(folder + "/result/clip_1.mp4");
    batch::WorkerTiming timing;
    timing.checkLimitMs = c.checkLimitMs;
    const WorkerResult r = Run(PortraitCommand(), false, timing);
    unsetenv("WRITE_GARBAGE");
    EXPECT_EQ(r.ending, c.kept ? WorkerEnding::Completed : WorkerEnding::Failed) << r.errorText;
    EXPECT_EQ(recorder.LastState().rfind(c.state, 0), 0u) << recorder.LastState();
    EXPECT_EQ(plat::FileExists(folder + "/result/clip_1.mp4"), c.kept);
    if (c.kept) EXPECT_NEAR(ts::MediaFacts(r.finalOutputPath).duration, 2.0, 0.2);
    EXPECT_EQ(TemporariesLeft(), "");
  }
  unsetenv("PROBE_DELAY");
  std::filesystem::remove(standIn);
  probe::ResolveConverterAgain();
}

TEST_F(TaskWorkerTest, FailuresEndAsOutputErrorsAndDeleteTheTemporaryFile) {
  const std::string ghost = folder + "/result/ghost_tmp.mp4";
  struct Case {
    const char* what;
    std::string arguments;
    std::string stateHas;  // part of the translated row text
  } cases[] = {
      // The converter's own first error line, without its tags.
      {"impossible crop", ts::OversizedCropCommand(source, temporary),
       "Invalid too big or non positive size"},
      // A failing encoder leaves an empty temporary file behind that must go.
      {"failing encoder",
       "-i \"" + source + "\" -to 00:00:02 -c:v libx264 -profile:v baseline -pix_fmt yuv444p -y \"" +
           temporary + "\"",
       "Error setting profile baseline"},  // the cause, not the "Conversion failed!" after it
      // A missing input never prints progress: the exit status ends the task.
      {"missing input", PortraitCommand("00:00:02", folder + "/gone.mp4"),
       folder + "/gone.mp4: No such file or directory"},
      // The last quoted item names a file the converter never writes: the rename fails.
      {"failing rename", "-i \"" + source + "\" -to 00:00:01 -f null - -metadata comment=\"" + ghost + "\"",
       "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const WorkerResult r = Run(c.arguments);
    EXPECT_EQ(r.ending, WorkerEnding::Failed);
    EXPECT_FALSE(r.errorText.empty());
    const std::string state = recorder.LastState();
    EXPECT_EQ(state.rfind("输出错误(", 0), 0u) << state;
    EXPECT_EQ(state.back(), ')') << state;
    EXPECT_NE(state.find(c.stateHas), std::string::npos) << state;
    EXPECT_EQ(state.find('\n'), std::string::npos) << state;
    EXPECT_EQ(TemporariesLeft(), "");
    EXPECT_EQ(r.finalOutputPath, "");
    EXPECT_TRUE(batch::OwnedConverters().empty());
  }
  EXPECT_FALSE(plat::FileExists(folder + "/result/ghost_1.mp4"));
}

// A conversion paced by -re, still running when the pause and the stop arrive.
TEST_F(TaskWorkerTest, PausedTaskNeitherEndsNorFailsAndStopStillEndsIt) {
  WorkerResult r;
  std::atomic<bool> ended{false};
  batch::WorkerTiming quick;  // many cycles while paused
  quick.pollMs = 100;
  std::thread worker([&] {
    r = Run(ts::PacedCommand(source, temporary), false, quick);
    ended = true;
  });
  recorder.WaitForAnyState();
  EXPECT_EQ(batch::SuspendConverters(plat::SleepMs), 1);  // no ASSERT: the worker must be joined
  for (pid_t pid : batch::OwnedConverters()) EXPECT_EQ(plat::ProcessState(pid), 'T');
  const size_t statesWhenPaused = recorder.States().size();
  plat::SleepMs(1500);  // cycles that find nothing
  EXPECT_FALSE(ended);
  // At most the one chunk already in the pipe; never an ending.
  const std::vector<std::string> states = recorder.States();
  for (size_t i = statesWhenPaused; i < states.size(); ++i)
    EXPECT_TRUE(states[i].find("输出错误") == std::string::npos && states[i] != "处理完毕") << states[i];
  stop.request_stop();  // stopping a suspended converter ends it all the same
  worker.join();
  EXPECT_EQ(r.ending, WorkerEnding::Stopped);
  EXPECT_EQ(recorder.LastState(), "手动停止");
  EXPECT_EQ(TemporariesLeft(), "");
}

// The trial accepts at the first progress line and refuses what the converter refuses; each
// time its converter is ended and the temporary output deleted.
TEST_F(TaskWorkerTest, TrialAcceptsAtProgressAndRefusesWhatTheConverterRefuses) {
  // A converter that prints nothing at all: its input is a FIFO nobody writes to.
  const std::string fifo = folder + "/silent.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string trialTo = "00:00:00.001";
  const struct {
    const char* what;
    std::string arguments;
    WorkerEnding ending;
    std::string errorHas;
  } cases[] = {
      // Looped background, frame-rate normaliser and mixed sound: ffmpeg 5.1 keeps printing
      // time=00:00:00.00 for the 1 ms trial and never ends by itself.
      {"never-ending trial",
       "-stream_loop -1 -i \"" + source + "\" -i \"" + source + "\" -to " + trialTo +
           " -filter_complex \"amix=inputs=1;[0:v]fps=30,boxblur=10,scale=568*2:320*2,crop=180:320[g1];"
           "[1:v]scale=180:-1[v];[g1][v]overlay=0:(H-h)/2\" -y \"" +
           temporary + "\"",
       WorkerEnding::Accepted, ""},
      {"bad filter option",
       "-i \"" + source + "\" -to " + trialTo + " -vf \"scale=180:-1,boxblur=nonsense\" -y \"" + temporary +
           "\"",
       WorkerEnding::Refused, "nvalid"},
      {"impossible crop", ts::OversizedCropCommand(source, temporary, trialTo), WorkerEnding::Refused,
       "Invalid too big"},
      {"missing input", PortraitCommand(trialTo + " ", folder + "/gone.mp4"), WorkerEnding::Refused,
       "No such file or directory"},
      {"unknown format",
       "-i \"" + source + "\" -to " + trialTo + " -y \"" + folder + "/result/clip_tmp.mp5\"",
       WorkerEnding::Refused, "Unable to find a suitable output format"},
      // Silent past the limit (2 s here): the message says the test run did not finish.
      {"silent converter", "-i \"" + fifo + "\" -to " + trialTo + " -y \"" + temporary + "\"",
       WorkerEnding::Refused, "试运行"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    batch::WorkerTiming timing;
    if (c.arguments.find(fifo) != std::string::npos) timing.trialLimitMs = 2000;
    const WorkerResult r = Run(c.arguments, true, timing);
    EXPECT_EQ(r.ending, c.ending) << r.errorText;
    EXPECT_NE(r.errorText.find(c.errorHas), std::string::npos) << r.errorText;
    if (timing.trialLimitMs == 2000)
      EXPECT_NE(r.errorText.find("没有结束"), std::string::npos) << r.errorText;
    EXPECT_EQ(TemporariesLeft(), "");
    EXPECT_TRUE(batch::OwnedConverters().empty());
  }
}

// The converter reports a full disk ("Error writing trailer ...: No space left on device",
// "Error closing file") and still exits with 0: the file it leaves has no index and is no
// result. The temporary output goes to a tmpfs too small for it.
TEST_F(TaskWorkerTest, FullDiskIsAnOutputErrorAndLeavesNoFile) {
  if (geteuid() != 0) GTEST_SKIP() << "NOTICE: disk-full test skipped: mounting a tmpfs needs root";
  const std::string disk = folder + "/small-disk";
  plat::MakeDirs(disk);
  if (ts::Shell("mount -t tmpfs -o size=32k tmpfs '" + disk + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "NOTICE: disk-full test skipped: this container refuses to mount a tmpfs";
  temporary = disk + "/clip_tmp.mp4";
  const WorkerResult r = Run(PortraitCommand());
  const std::string left = ts::Capture("ls -A '" + disk + "'");
  ts::Shell("umount '" + disk + "'");
  EXPECT_EQ(r.ending, WorkerEnding::Failed);
  const std::string state = recorder.LastState();
  EXPECT_EQ(state.rfind("输出错误(", 0), 0u) << state;
  EXPECT_NE(state.find("No space left on device"), std::string::npos) << state;
  EXPECT_EQ(r.finalOutputPath, "");
  EXPECT_EQ(left, "");  // the temporary file is gone
}

// An output shorter than the task (here the clip ends at 2 s, the task asks for 5 s) reads
// back with the wrong duration: an output error, the file deleted.
TEST_F(TaskWorkerTest, OutputOfTheWrongDurationIsAnOutputError) {
  const WorkerResult r = Run(PortraitCommand("00:00:05"));
  EXPECT_EQ(r.ending, WorkerEnding::Failed);
  const std::string state = recorder.LastState();
  EXPECT_EQ(state.rfind("输出错误(输出文件时长 00:00:02", 0), 0u) << state;
  EXPECT_EQ(TemporariesLeft(), "");
  EXPECT_FALSE(plat::FileExists(folder + "/result/clip_1.mp4"));
}

// A stand-in converter writes 1 MB at once between two progress lines (the real one cannot
// be made to on demand). Each cycle reads everything waiting, so the second progress line
// shows within a few cycles; one read of 4 KB a second would take four minutes.
TEST_F(TaskWorkerTest, AFloodOfOutputIsDrainedAndTheNewestProgressShows) {
  const std::string standIn = folder + "/program/ffmpeg";
  std::ofstream(standIn) << R"(#!/bin/sh
printf 'frame=1 time=00:00:00.50 bitrate=1 speed=1x \r'
head -c 1048576 /dev/zero | tr '\000' w
printf 'frame=2 time=00:00:01.00 bitrate=1 speed=2x \r'
exec sleep 60
)";
  std::filesystem::permissions(standIn, std::filesystem::perms::owner_all);
  probe::ResolveConverterAgain();
  ASSERT_EQ(probe::ConverterPath(), standIn);
  WorkerResult r;
  std::thread worker([&] { r = Run("-i \"" + source + "\" -to 00:00:02 -y \"" + temporary + "\""); });
  bool halfway = false;
  {
    std::unique_lock<std::mutex> lock(recorder.mutex);
    // A guard against a hang only; the drain itself takes a cycle or two.
    halfway = recorder.changed.wait_for(lock, std::chrono::seconds(30), [&] {
      return !recorder.states.empty() && recorder.states.back() == "50％";
    });
  }
  stop.request_stop();
  worker.join();
  std::filesystem::remove(standIn);
  probe::ResolveConverterAgain();
  EXPECT_TRUE(halfway);
  EXPECT_EQ(r.ending, WorkerEnding::Stopped);
}

TEST_F(TaskWorkerTest, MissingConverterIsAnOutputErrorNamingIt) {
  const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", folder.c_str(), 1);
  probe::ResolveConverterAgain();
  const WorkerResult task = Run(PortraitCommand());
  const WorkerResult trial = Run(PortraitCommand(), true);
  setenv("PATH", oldPath.c_str(), 1);
  probe::ResolveConverterAgain();
  ASSERT_FALSE(probe::ConverterPath().empty());

  EXPECT_EQ(task.ending, WorkerEnding::Failed);
  EXPECT_EQ(recorder.LastState(), batch::OutputErrorState(probe::MissingConverterMessage()));
  EXPECT_EQ(trial.ending, WorkerEnding::Refused);
  EXPECT_EQ(trial.errorText, probe::MissingConverterMessage());
}

}  // namespace
