// Ending flipframe while its converter runs: SIGHUP is a stop like Ctrl-C (the converter
// ended, its temporary file deleted, a list task recorded as 手动停止), and after kill -9
// the kernel ends the converter with it. Each case runs its own copy of the program, so the
// converters counted are that copy's alone.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

pid_t Start(const std::string& folder, const std::vector<std::string>& argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0), dup2(null, 1), dup2(null, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Waits up to `seconds` for `done`; true when it came.
template <typename F>
bool WaitFor(F done, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    plat::SleepMs(50);
  }
  return true;
}

int TemporariesIn(const std::string& folder) {
  int found = 0;
  for (const auto& e : fs::directory_iterator(folder))
    found += e.path().filename().string().find("_tmp-") != std::string::npos;
  return found;
}

}  // namespace

TEST(StopSignals, HangUpStopsAndKillLeavesNoConverter) {
  const std::string clip = ts::VideoWithSound(320, 180, 60, 25);  // converts for many seconds
  const struct {
    const char* name;
    int signal;
    bool list;  // `run LIST` rather than `convert FILE`
  } rows[] = {
      {"SIGHUP to run", SIGHUP, true},
      {"SIGHUP to convert", SIGHUP, false},
      {"kill -9 of run", SIGKILL, true},
      {"kill -9 of convert", SIGKILL, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string program = ts::ProgramCopy(), folder = fs::path(program).parent_path().string();
    const std::string videos = folder + "/videos";
    ts::CopyInto(clip, videos);
    if (r.list)
      ASSERT_EQ(ts::Shell("cd '" + videos + "' && '" + program +
                          "' convert --save-list L.json *.mp4 >/dev/null 2>&1"),
                0);
    const pid_t pid =
        Start(videos, r.list ? std::vector<std::string>{program, "run", "L.json"}
                             : std::vector<std::string>{program, "convert", fs::path(clip).filename()});
    ASSERT_TRUE(WaitFor([&] { return ts::ConvertersOwnedBy(folder) == 1; }, 30)) << "no converter started";
    kill(pid, r.signal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (r.signal == SIGKILL) {
      EXPECT_TRUE(WIFSIGNALED(status));
      EXPECT_TRUE(WaitFor([&] { return ts::ConvertersOwnedBy(folder) == 0; }, 10))
          << "the converter outlived it";
      if (!r.list) continue;  // convert may have been killed in its trial, before any output
      // Its temporary output stays until the next conversion into that folder removes it.
      EXPECT_EQ(TemporariesIn(videos + "/result"), 1);
      const std::string other = ts::CopyInto(ts::VideoWithSound(192, 108, 1), videos + "/other");
      ts::Shell("mv '" + other + "' '" + videos + "/'");
      EXPECT_EQ(ts::Shell("cd '" + videos + "' && '" + program + "' convert --preset ultrafast '" +
                          fs::path(other).filename().string() + "' >/dev/null 2>&1"),
                0);
      EXPECT_EQ(TemporariesIn(videos + "/result"), 0);
      continue;
    }
    // A stop: the converter was ended before flipframe exited, nothing is left half-written.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    EXPECT_EQ(ts::ConvertersOwnedBy(folder), 0);
    for (const auto& e : fs::recursive_directory_iterator(videos))
      EXPECT_EQ(e.path().filename().string().find("_tmp"), std::string::npos) << e.path();
    if (r.list) {
      const app::LoadedTaskList list = app::LoadTaskList(videos + "/L.json");
      ASSERT_EQ(list.rows.size(), 1u);
      EXPECT_EQ(list.rows[0].state.toStdString(), "手动停止");
    }
  }
}
