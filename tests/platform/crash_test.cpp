// Crashes on purpose in a copy of the real program: the report it leaves, the exit status of
// the signal, the function names the reporter finds, and no converter left running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/crash_handler.h"
#include "platform/crash_report.h"
#include "platform/crash_text.h"
#include "platform/platform.h"
#include "store/settings_location.h"
#include "support/media.h"

namespace ts = testing_support;

namespace {

struct Crash {
  int signal = 0;  // the signal that ended the program, 0 when it exited
  std::string stderrText, reportPath;
};

// Runs `args` on a copy of the program in `folder` with `env` added; waits for its end.
Crash RunCopy(const std::string& folder, const std::vector<std::string>& args, const std::string& env) {
  const std::string program = folder + "/flipframe", err = folder + "/stderr.txt";
  std::vector<std::string> words = {"/usr/bin/env",    "-u", "DISPLAY",        "-u",
                                    "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"};
  if (!env.empty()) words.push_back(env);
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(err.c_str(), "w", stderr)) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Crash c;
  c.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  plat::ReadFile(err, &c.stderrText);
  const std::string key = "崩溃报告: ";
  const size_t at = c.stderrText.find(key);
  if (at != std::string::npos)
    c.reportPath = c.stderrText.substr(at + key.size(), c.stderrText.find('\n', at) - at - key.size());
  return c;
}

std::string CopyOfProgram() {
  const std::string folder = ts::TempFolder() + "/crash-program";
  ts::Shell("mkdir -p '" + folder + "' && cp '" FLIPFRAME_BINARY "' '" + folder + "/flipframe'");
  return folder;
}

}  // namespace

TEST(Crash, ReportNamesTheErrorAndTheFunctionAndNothingRunsOn) {
  const std::string folder = CopyOfProgram();
  // A task list with one long task, for a crash while its converter runs.
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 60), folder + "/clips");
  const std::string list = folder + "/clips/L.json";
  ASSERT_EQ(
      ts::Shell("'" + folder + "/flipframe' convert --save-list '" + list + "' '" + clip + "' 2>/dev/null"),
      0);
  struct Case {
    std::vector<std::string> args;
    std::string env;
    int signal;
    std::string code, message, function;
  } cases[] = {
      {{"--crash-test", "segv"}, "", SIGSEGV, "SIGSEGV (11)", "段错误", "crash::CrashOnPurpose"},
      {{"--crash-test", "abort"}, "", SIGABRT, "SIGABRT (6)", "程序中止", "crash::CrashOnPurpose"},
      {{"--crash-test", "exception"},
       "",
       SIGABRT,
       "未捕获的 C++ 异常 (std::runtime_error)",
       "测试用的未捕获异常",
       "crash::CrashOnPurpose"},
      // A crash while a converter runs: the task and its command in the report, the converter ended.
      {{"convert", clip},
       "FLIPFRAME_CRASH_TEST=segv",
       SIGSEGV,
       "SIGSEGV (11)",
       "段错误",
       "batch::RunTaskWorker"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const Crash crash = RunCopy(folder, c.args, c.env);
    EXPECT_EQ(crash.signal, c.signal) << crash.stderrText;
    ASSERT_EQ(crash.reportPath.rfind(folder + "/crashes/flipframe-crash-", 0), 0u) << crash.stderrText;
    EXPECT_NE(crash.stderrText.find(c.code), std::string::npos) << crash.stderrText;
    std::string text;
    ASSERT_TRUE(plat::ReadFile(crash.reportPath, &text));
    const crash::ReportFacts facts = crash::ParseReport(text);
    EXPECT_EQ(facts.code, c.code);
    EXPECT_NE(facts.message.find(c.message), std::string::npos) << facts.message;
    EXPECT_EQ(facts.program, folder + "/flipframe");
    std::vector<crash::Frame> frames = crash::StackFrames(facts);
    crash::Symbolize(facts, frames);
    const std::string stack = crash::StackText(frames);
    EXPECT_NE(stack.find(c.function), std::string::npos) << stack;
    // A crash on the main thread names main (not __libc_start_main); a task's crash comes on
    // the batch runner's worker thread.
    if (c.env.empty()) EXPECT_NE(stack.find("  main"), std::string::npos) << stack;
    EXPECT_EQ(stack.find("crash::(anonymous namespace)::OnFatalSignal"), std::string::npos) << stack;
    if (c.env.empty()) {
      EXPECT_EQ(facts.ended, "无");
    } else {
      EXPECT_NE(facts.activity.find(clip), std::string::npos) << facts.activity;
      EXPECT_NE(facts.activity.find("ffmpeg -hide_banner"), std::string::npos) << facts.activity;
      EXPECT_NE(facts.ended, "无") << text;
      EXPECT_EQ(ts::ConvertersOwnedBy(folder), 0);
    }
  }
}

TEST(Crash, ChildrenAreNotedFromStartUntilReaped) {
  const int before = crash::ChildrenNoted();
  plat::Child quick = plat::StartWithCapture({"/bin/true"});
  plat::Child slow = plat::StartWithCapture({"/bin/sleep", "30"});
  ASSERT_TRUE(quick.started() && slow.started());
  EXPECT_EQ(crash::ChildrenNoted(), before + 2);
  while (!plat::ChildExited(quick.pid)) plat::WaitForPipeClosed(quick.readFd, 100);
  EXPECT_EQ(crash::ChildrenNoted(), before + 1);
  plat::ReapChild(slow.pid, 0);
  EXPECT_EQ(crash::ChildrenNoted(), before);
  plat::CloseFd(quick.readFd);
  plat::CloseFd(slow.readFd);
}

TEST(Crash, TimesAndFoldersOfReports) {
  const struct {
    long long seconds;
    const char* line;
  } times[] = {{0, "时间: 1970-01-01 00:00:00 UTC\n"},
               {951825600, "时间: 2000-02-29 12:00:00 UTC\n"},
               {4102444799, "时间: 2099-12-31 23:59:59 UTC\n"}};
  for (const auto& t : times) {
    crash::Text out;
    crash::AddTimeLine(out, t.seconds);
    EXPECT_EQ(std::string(out.data()), t.line);
  }
  const struct {
    presets::SettingsPlaceInputs in;
    std::string folder;
  } places[] = {
      {{"/src/build", "/usr/bin", false, "", "/home/a", "/state"}, "/src/build/crashes"},
      {{"/usr/bin", "/usr/bin", false, "", "/home/a", "/state/"}, "/state/flipframe/crashes"},
      {{"/usr/bin", "/usr/bin", false, "", "/home/a", "rel"}, "/home/a/.local/state/flipframe/crashes"},
      {{"/usr/bin", "/usr/bin", false, "", "", ""}, ""},
  };
  for (const auto& p : places) EXPECT_EQ(presets::CrashFolderFor(p.in), p.folder) << p.in.programFolder;
}
