// The converter process control against real processes: a small program copied under the
// name "ffmpeg" into a temporary program folder plays the converter.
#include "batch/process_control.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "probe/converter.h"
#include "support/media.h"
#include "support/program_folder.h"

namespace {

namespace fs = std::filesystem;

class ProcessControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing_support::TempFolder() + "/process-control-" + std::to_string(++counter_);
    program_ = root_ + "/program";
    elsewhere_ = root_ + "/elsewhere";
    for (const std::string& folder : {program_, elsewhere_}) {
      ASSERT_TRUE(plat::MakeDirs(folder));
      fs::copy_file("/bin/sleep", folder + "/ffmpeg");
    }
    // The program's own converter under another name: its process is not called "ffmpeg".
    fs::create_symlink(program_ + "/ffmpeg", root_ + "/ffmpeg-old");
    plat::SetProgramFolderForTesting(program_);
    probe::ResolveConverterAgain();
    ASSERT_EQ(probe::ConverterPath(), program_ + "/ffmpeg");
    // The mark another copy of the program in another folder would look for.
    ASSERT_EQ(probe::OwnerEnvironmentEntry(), "FLIPFRAME_OWNER=" + program_);
  }

  void TearDown() override {
    for (const plat::Child& c : children_) {
      plat::ResumeProcess(c.pid);
      plat::ReapChild(c.pid, 0);
      plat::CloseFd(c.readFd);
    }
    plat::SetProgramFolderForTesting(testing_support::OwnProgramFolder());
    probe::ResolveConverterAgain();
  }

  // A converter started the way the program starts its own.
  pid_t StartOwned() { return Keep(probe::StartConverter({"60"}), probe::ConverterPath()); }
  pid_t Start(const std::string& exe, const std::vector<std::string>& env) {
    return Keep(plat::StartWithCapture({exe, "60"}, env), exe);
  }
  // Keeps the child for the clean-up, once it runs the new program and sleeps: posix_spawn
  // returns before the kernel has given the child its new name.
  pid_t Keep(const plat::Child& c, const std::string& exe) {
    EXPECT_TRUE(c.started());
    children_.push_back(c);
    EXPECT_EQ(StateAfterSignal(c.pid, 'S'), 'S');
    const std::string comm = "/proc/" + std::to_string(c.pid) + "/comm";
    const std::string name = fs::path(exe).filename().string() + "\n";
    auto read = [&] {
      std::ifstream in(comm);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (int i = 0; i < 500 && read() != name; ++i) plat::SleepMs(10);
    return c.pid;
  }

  // Every kind of process that must never be touched: the same binary without the ownership
  // variable, with another folder's or a look-alike one; another ffmpeg carrying our
  // variable; our binary under another name.
  std::vector<pid_t> StartForeign() {
    const std::string owner = probe::OwnerEnvironmentEntry();
    return {
        Start(program_ + "/ffmpeg", {}),
        Start(program_ + "/ffmpeg", {"FLIPFRAME_OWNER=" + elsewhere_}),
        Start(program_ + "/ffmpeg", {owner + "/"}),
        Start(program_ + "/ffmpeg", {"X" + owner}),
        Start(elsewhere_ + "/ffmpeg", {owner}),
        Start(root_ + "/ffmpeg-old", {owner}),
    };
  }

  // The state letter once it reads `want`; the last one read when it never does.
  static char StateAfterSignal(pid_t pid, char want) {
    for (int i = 0; i < 500 && plat::ProcessState(pid) != want; ++i) plat::SleepMs(10);
    return plat::ProcessState(pid);
  }
  static bool EndedBySigkill(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
  static bool StillRunning(pid_t pid) {
    return plat::ProcessState(pid) == 'S' || plat::ProcessState(pid) == 'R';
  }

  // Records the waits asked for instead of sleeping.
  std::vector<int> waits;
  batch::WaitFn recordWait = [this](int ms) { waits.push_back(ms); };

  std::string root_, program_, elsewhere_;
  std::vector<plat::Child> children_;
  static inline int counter_ = 0;
};

TEST_F(ProcessControlTest, CleanupKillsExactlyTheOwnedConvertersAndWaitsTwoSecondsForEach) {
  std::vector<pid_t> owned = {StartOwned(), StartOwned()};
  const std::vector<pid_t> foreign = StartForeign();
  std::vector<pid_t> found = batch::OwnedConverters();
  std::sort(owned.begin(), owned.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, owned);

  EXPECT_EQ(batch::CleanupStrayConverters(recordWait), 2);
  EXPECT_EQ(waits, (std::vector<int>{2000, 2000}));
  for (pid_t pid : owned) EXPECT_TRUE(EndedBySigkill(pid)) << pid;
  for (pid_t pid : foreign) {
    EXPECT_FALSE(plat::ChildExited(pid)) << pid;
    EXPECT_TRUE(StillRunning(pid)) << pid << " state " << plat::ProcessState(pid);
  }
  EXPECT_TRUE(batch::OwnedConverters().empty());
}

TEST_F(ProcessControlTest, CleanupWithNothingOfOursReturnsWithoutWaiting) {
  EXPECT_EQ(batch::CleanupStrayConverters(recordWait), 0);
  const std::vector<pid_t> foreign = StartForeign();
  EXPECT_EQ(batch::CleanupStrayConverters(recordWait), 0);
  EXPECT_TRUE(waits.empty());
  for (pid_t pid : foreign) EXPECT_TRUE(StillRunning(pid)) << pid;
}

TEST_F(ProcessControlTest, PauseStopsAndResumeContinuesOnlyOwnedConvertersAndCleanupEndsAPausedOne) {
  const pid_t owned = StartOwned();
  const std::vector<pid_t> foreign = StartForeign();

  EXPECT_EQ(batch::SuspendConverters(recordWait), 1);
  EXPECT_EQ(waits, std::vector<int>{1000});
  EXPECT_EQ(StateAfterSignal(owned, 'T'), 'T');
  for (pid_t pid : foreign) EXPECT_TRUE(StillRunning(pid)) << pid;

  EXPECT_EQ(batch::ResumeConverters(recordWait), 1);
  EXPECT_EQ(waits, (std::vector<int>{1000, 1000}));
  EXPECT_EQ(StateAfterSignal(owned, 'S'), 'S');
  for (pid_t pid : foreign) EXPECT_TRUE(StillRunning(pid)) << pid;

  batch::SuspendConverters(recordWait);
  ASSERT_EQ(StateAfterSignal(owned, 'T'), 'T');
  EXPECT_EQ(batch::CleanupStrayConverters(recordWait), 1);
  EXPECT_TRUE(EndedBySigkill(owned));
}

}  // namespace
