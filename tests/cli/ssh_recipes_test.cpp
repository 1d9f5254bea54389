// The README's two GNU parallel recipes over SSH, run as the README writes them, against an
// sshd of the test's own on 127.0.0.1 (a spare port, a throwaway key and configuration).
// The host names host1 and host2 lead to it through a throwaway ssh configuration
// ($PARALLEL_SSH); its sessions find the program's copy first on PATH and have a home of their
// own, so no login script of the user's runs on each connection. Skipped with a notice where
// sshd, rsync or parallel is missing or sshd does not start.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

int SparePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// The ```sh block of README.md that holds `marker`, continued lines joined.
std::string ReadmeRecipe(const std::string& marker) {
  std::string readme;
  std::string path = FLIPFRAME_SOURCE_DIR;
  path += "/README.md";
  plat::ReadFile(path, &readme);
  for (size_t open = readme.find("```sh\n"); open != std::string::npos;
       open = readme.find("```sh\n", open + 1)) {
    const size_t begin = open + 6, end = readme.find("```", begin);
    std::string block = readme.substr(begin, end - begin);
    if (block.find(marker) == std::string::npos) continue;
    for (size_t p; (p = block.find("\\\n")) != std::string::npos;) block.replace(p, 2, "");
    return block;
  }
  return {};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t p; (p = text.find(from)) != std::string::npos;) text.replace(p, from.size(), to);
  return text;
}

template <typename F>
bool WaitFor(F done, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    plat::SleepMs(100);
  }
  return true;
}

class SshRecipes : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/sbin/sshd", "ssh", "ssh-keygen", "parallel", "rsync"})
      if (ts::Shell(std::string("command -v ") + tool + " >/dev/null") != 0)
        GTEST_SKIP() << "NOTICE: " << tool << " is not installed (Debian: openssh-server, openssh-client, "
                     << "rsync, parallel); the SSH recipes are not tested";
    program_ = ts::ProgramCopy();
    programFolder_ = fs::path(program_).parent_path().string();
    static int n = 0;
    ssh_ = ts::TempFolder() + "/ssh-" + std::to_string(++n);
    fs::create_directories(ssh_);
    const passwd* me = getpwuid(getuid());
    const int port = SparePort();
    ASSERT_TRUE(me && port > 0);
    ASSERT_EQ(ts::Shell("cd '" + ssh_ +
                        "' && ssh-keygen -q -t ed25519 -N '' -f host && ssh-keygen -q -t ed25519 "
                        "-N '' -f user && cp user.pub authorized"),
              0);
    if (getuid() == 0) plat::MakeDirs("/run/sshd");  // sshd's own empty folder, when root
    Write(ssh_ + "/sshd_config", "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " +
                                     ssh_ + "/host\nAuthorizedKeysFile " + ssh_ +
                                     "/authorized\nPasswordAuthentication no\n"
                                     "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
                                     "StrictModes no\nUsePAM no\nPidFile " +
                                     ssh_ + "/sshd.pid\nSetEnv PATH=" + programFolder_ +
                                     ":/usr/bin:/bin HOME=" + ssh_ + "\n");
    Write(ssh_ + "/ssh_config",
          "Host host1 host2\n  HostName 127.0.0.1\n  Port " + std::to_string(port) + "\n  User " +
              me->pw_name + "\n  IdentityFile " + ssh_ +
              "/user\n  IdentitiesOnly yes\n  BatchMode yes\n  StrictHostKeyChecking no\n"
              "  UserKnownHostsFile /dev/null\n  LogLevel ERROR\n");
    if (ts::Shell("/usr/sbin/sshd -f '" + ssh_ + "/sshd_config' -E '" + ssh_ + "/sshd.log'") != 0)
      GTEST_SKIP() << "NOTICE: sshd does not start here; the SSH recipes are not tested";
    const std::string probe = "ssh -F '" + ssh_ + "/ssh_config' host2 true 2>/dev/null";
    if (!WaitFor([&] { return ts::Shell(probe) == 0; }, 15))
      GTEST_SKIP() << "NOTICE: the test's sshd does not answer; the SSH recipes are not tested";
    // The recipes run as written: GNU parallel reaches the hosts through this ssh command,
    // and the local `flipframe` is the copy too.
    environment_ =
        "export PARALLEL_SSH=\"ssh -F '" + ssh_ + "/ssh_config'\" PATH='" + programFolder_ + "':\"$PATH\"; ";
  }

  void TearDown() override {
    if (const int pid = SshdPid(); pid > 0) kill(pid, SIGTERM);
  }

  int SshdPid() const {
    std::string pid;
    return plat::ReadFile(ssh_ + "/sshd.pid", &pid) ? std::atoi(pid.c_str()) : 0;
  }

  // A folder of clips: a.mp4 and clips/b.mov.
  std::string Clips(const std::string& name, int seconds, int width, int height) {
    const std::string dir = ts::TempFolder() + "/" + name;
    fs::create_directories(dir + "/clips");
    fs::copy_file(ts::VideoWithSound(width, height, seconds, 25), dir + "/a.mp4");
    fs::copy_file(ts::VideoWithSound(width, height, seconds, 25), dir + "/clips/b.mov");
    return dir;
  }

  // Runs a recipe in the test's environment; its output goes to `log` beside the clips.
  int Run(const std::string& recipe, const std::string& log) {
    return ts::Shell(environment_ + "{ " + recipe + "\n} >'" + log + "' 2>&1");
  }
  static std::string Log(const std::string& log) {
    std::string text;
    plat::ReadFile(log, &text);
    return text;
  }

  std::string Probe(const std::string& file) {
    return ts::Capture("'" + program_ + "' --probe '" + file + "'");
  }

  std::string program_, programFolder_, ssh_, environment_;
};

}  // namespace

TEST_F(SshRecipes, SharedStorageRunsEveryTaskOfTheList) {
  const std::string recipe = ReadmeRecipe("--sshlogin host1,host2 --workdir . ");
  ASSERT_NE(recipe.find("flipframe run /shared/videos/LIST.json --task {}"), std::string::npos) << recipe;
  const std::string dir = Clips("shared", 1, 320, 180);
  ASSERT_EQ(ts::Shell("cd '" + dir + "' && '" + program_ +
                      "' convert --save-list LIST.json a.mp4 clips/b.mov 2>/dev/null"),
            0);
  EXPECT_EQ(ts::Shell(environment_ + Replaced(recipe, "/shared/videos", dir) + " >/dev/null 2>&1"), 0)
      << recipe;
  const app::LoadedTaskList list = app::LoadTaskList(dir + "/LIST.json");
  ASSERT_EQ(list.rows.size(), 2u);
  for (const auto& row : list.rows) EXPECT_EQ(row.state.toStdString(), "处理完毕");
  EXPECT_NE(Probe(dir + "/result/a_1.mp4").find("height: 568\n"), std::string::npos);
  EXPECT_NE(Probe(dir + "/clips/result/b_1.mov").find("height: 568\n"), std::string::npos);
}

TEST_F(SshRecipes, TransferConvertReturnWithoutSharedStorage) {
  const std::string recipe = ReadmeRecipe("--trc ");
  ASSERT_NE(recipe.find("cd ~/videos"), std::string::npos) << recipe;
  const std::string dir = Clips("transfer", 1, 320, 180);
  EXPECT_EQ(Run(Replaced(recipe, "~/videos", dir), dir + "/log"), 0) << recipe << Log(dir + "/log");
  // Each result came back beside its clip, the size of a converted one.
  EXPECT_NE(Probe(dir + "/result/a_1.mp4").find("height: 568\n"), std::string::npos);
  EXPECT_NE(Probe(dir + "/clips/result/b_1.mp4").find("height: 568\n"), std::string::npos);
}

TEST_F(SshRecipes, StoppingParallelLeavesNoRemoteConverter) {
  const std::string recipe = ReadmeRecipe("--trc ");
  const std::string dir = Clips("stopped", 60, 320, 180);  // converts for many seconds
  const size_t cd = recipe.find('\n');
  ASSERT_NE(cd, std::string::npos);
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    // The shell gives way to parallel itself (exec), which then gets the signal.
    const std::string command = environment_ + "cd '" + dir + "' && exec " + recipe.substr(cd + 1);
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0), dup2(null, 1), dup2(null, 2);
      execl("/bin/bash", "bash", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitFor([&] { return ts::ConvertersOwnedBy(programFolder_) >= 1; }, 60))
        << "no remote converter";
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WaitFor([&] { return ts::ConvertersOwnedBy(programFolder_) == 0; }, 20))
        << "a converter is left";
    // Once every session has ended, the interrupted jobs' remote folders (parallel had no
    // time to clean them up) go.
    const std::string sessions = "pgrep -P " + std::to_string(SshdPid()) + " >/dev/null";
    EXPECT_TRUE(WaitFor([&] { return ts::Shell(sessions) != 0; }, 30)) << "an SSH session is left";
    ts::Shell("rm -rf ~/.parallel/tmp/*-" + std::to_string(pid) + "-*");
  }
}
