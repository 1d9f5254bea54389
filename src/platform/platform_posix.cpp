#include "platform/platform.h"

#include "platform/crash_handler.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace plat {
namespace {

std::mutex g_folderMutex;
std::string g_programFolderOverride;

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  plat::ReadFile(path, &bytes);  // close-on-exec, like every descriptor we open
  return bytes;
}

}  // namespace

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());  // glibc opens it close-on-exec
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

std::string ProgramFolder() {
  {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    if (!g_programFolderOverride.empty()) return g_programFolderOverride;
  }
  char buf[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return ".";
  std::string exe(buf, size_t(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos || slash == 0) return slash == 0 ? "" : ".";
  return exe.substr(0, slash);
}

void SetProgramFolderForTesting(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_folderMutex);
  g_programFolderOverride = folder;
  while (g_programFolderOverride.size() > 1 && g_programFolderOverride.back() == '/')
    g_programFolderOverride.pop_back();
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_size);
}

int64_t FileModifiedNs(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsReadableFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         access(path.c_str(), R_OK) == 0;
}

std::string CanonicalPath(const std::string& path) {
  if (path.empty()) return {};
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string out(real);
  free(real);
  return out;
}

std::string FindOnPath(const std::string& name) {
  const char* env = getenv("PATH");
  std::stringstream dirs(env ? env : "/usr/local/bin:/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = dir.empty() ? std::string(".") : dir;  // an empty entry: this folder
    candidate += '/';
    candidate += name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

bool MakeDirs(const std::string& folder) {
  if (folder.empty()) return false;
  std::string path;
  for (size_t i = 0; i < folder.size(); ++i) {
    path.push_back(folder[i]);
    if ((folder[i] == '/' && i > 0) || i + 1 == folder.size()) mkdir(path.c_str(), 0755);
  }
  return IsDirectory(folder);
}

bool RenameFile(const std::string& from, const std::string& to, std::string* why) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (why) *why = std::strerror(errno);
  return false;
}

bool DeleteFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

std::string FolderOf(const std::string& path) {
  if (IsDirectory(path)) return path;
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtensionOf(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  return path.substr(dot);
}

Child StartWithCapture(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  Child child;
  if (argv.empty()) return child;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return child;

  // Everything the child needs is made before the fork: between fork and exec only
  // async-signal-safe calls are allowed (other threads may hold the allocator's lock).
  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& extra : extraEnv) {
      size_t eq = extra.find('=');
      if (eq != std::string::npos && entry.compare(0, eq + 1, extra, 0, eq + 1) == 0) replaced = true;
    }
    if (!replaced) envStrings.push_back(entry);
  }
  for (const auto& extra : extraEnv) envStrings.push_back(extra);
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> args = argv;
  std::vector<char*> cargv;
  for (auto& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  // The child reports a failed exec through this pipe (closed unread on success).
  int execFds[2];
  if (pipe2(execFds, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    return child;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // A converter never outlives its flipframe, not even one killed with SIGKILL: the
    // kernel kills it when the starting thread ends (every start waits for its child on
    // the thread that started it). Had the parent already gone before this line, the
    // parent pid has changed: give up instead of running unowned.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(fds[1], 1) < 0 || dup2(fds[1], 2) < 0) _exit(127);
    // The stop signals the program catches are back to their defaults for the converter.
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(cargv[0], cargv.data(), envp.data());
    const int err = errno;
    [[maybe_unused]] const ssize_t n = write(execFds[1], &err, sizeof err);
    _exit(127);
  }
  close(fds[1]);
  close(execFds[1]);
  if (pid < 0) {
    close(execFds[0]);
    close(fds[0]);
    return child;
  }
  int err = 0;
  ssize_t got;
  do got = read(execFds[0], &err, sizeof err);
  while (got < 0 && errno == EINTR);
  close(execFds[0]);
  if (got > 0) {  // exec failed: no converter runs
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    close(fds[0]);
    return child;
  }
  child.pid = pid;
  child.readFd = fds[0];
  crash::NoteChildStarted(pid);  // a crash of ours ends it
  return child;
}

int BytesWaiting(int fd) {
  int n = 0;
  if (fd < 0 || ioctl(fd, FIONREAD, &n) != 0) return -1;
  return n;
}

int ReadSome(int fd, char* buffer, int max) {
  ssize_t n;
  do n = read(fd, buffer, size_t(max));
  while (n < 0 && errno == EINTR);
  return int(n);
}

void CloseFd(int fd) {
  if (fd >= 0) close(fd);
}

bool WaitForPipeClosed(int fd, int ms) {
  if (fd < 0) return true;
  // No events asked for: poll() then reports only a hang-up (the last writer closed its end),
  // not waiting data, so this is a sleep that ends early when the child is gone.
  struct pollfd p {
    fd, 0, 0
  };
  int rc;
  do rc = poll(&p, 1, ms < 0 ? 0 : ms);
  while (rc < 0 && errno == EINTR);
  return rc > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

Wakeup::Wakeup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Wakeup::~Wakeup() { CloseFd(fd_); }

void Wakeup::Raise() {
  const uint64_t one = 1;
  if (fd_ >= 0) {
    [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
  }
}

PipeWait WaitForData(int fd, const Wakeup* wakeup, int ms) {
  struct pollfd p[2] = {{fd, POLLIN, 0}, {wakeup ? wakeup->fd() : -1, POLLIN, 0}};
  int rc;
  do rc = poll(p, 2, ms < 0 ? 0 : ms);
  while (rc < 0 && errno == EINTR);
  if (rc <= 0) return PipeWait::TimedOut;
  if (p[1].revents != 0) return PipeWait::Woken;
  return PipeWait::Ready;
}

bool ChildExited(pid_t pid, int* exitStatus) {
  if (pid <= 0) return true;
  // Looked at without reaping first: the crash handler's table must forget the pid while
  // it still cannot belong to another process.
  siginfo_t info{};
  if (waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {  // reaped already, or not ours
    crash::NoteChildReaped(pid);
    if (exitStatus) *exitStatus = -1;
    return true;
  }
  if (info.si_pid == 0) return false;
  crash::NoteChildReaped(pid);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (exitStatus) *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

void ReapChild(pid_t pid, int graceMs, int* exitStatus) {
  if (pid <= 0) return;
  for (int waited = 0; waited < graceMs; waited += 10) {
    if (ChildExited(pid, exitStatus)) return;
    SleepMs(10);
  }
  kill(pid, SIGKILL);
  crash::NoteChildReaped(pid);
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::vector<ProcessEntry> ProcessList() {
  std::vector<ProcessEntry> list;
  DIR* dir = opendir("/proc");
  if (!dir) return list;
  while (dirent* e = readdir(dir)) {
    char* end = nullptr;
    long pid = strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    std::string name = ReadWholeFile("/proc/" + std::string(e->d_name) + "/comm");
    while (!name.empty() && (name.back() == '\n')) name.pop_back();
    if (name.empty()) continue;
    list.push_back({pid_t(pid), name});
  }
  closedir(dir);
  return list;
}

std::string ExecutablePath(pid_t pid) {
  char buf[PATH_MAX + 1];
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  ssize_t n = readlink(link.c_str(), buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, size_t(n));
}

bool EnvironmentHas(pid_t pid, const std::string& entry) {
  std::string env = ReadWholeFile("/proc/" + std::to_string(pid) + "/environ");
  size_t start = 0;
  while (start < env.size()) {
    size_t end = env.find('\0', start);
    if (end == std::string::npos) end = env.size();
    if (env.compare(start, end - start, entry) == 0) return true;
    start = end + 1;
  }
  return false;
}

void KillProcess(pid_t pid) {
  if (pid > 0) kill(pid, SIGKILL);
}
void SuspendProcess(pid_t pid) {
  if (pid > 0) kill(pid, SIGSTOP);
}
void ResumeProcess(pid_t pid) {
  if (pid > 0) kill(pid, SIGCONT);
}

char ProcessState(pid_t pid) {
  std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  size_t paren = stat.rfind(')');
  if (paren == std::string::npos || paren + 2 >= stat.size()) return 0;
  return stat[paren + 2];
}

bool LocalX11DisplayReachable(const std::string& display) {
  size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string socketPath = "/tmp/.X11-unix/X" + number;
  // Try the abstract socket first (what Xorg and Xvfb listen on), then the file.
  for (bool abstract : {true, false}) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t offset = abstract ? 1 : 0;
    std::memcpy(addr.sun_path + offset, socketPath.data(), socketPath.size());
    socklen_t len =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + socketPath.size() + (abstract ? 0 : 1));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
    close(fd);
    if (ok) return true;
  }
  return false;
}

bool IsTerminal(int fd) { return isatty(fd) == 1; }

namespace {
int g_stopPipe[2] = {-1, -1};
void OnStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_stopPipe[1], &byte, 1);  // async-signal-safe
}
}  // namespace

void CatchStopSignals(std::function<void()> onSignal) {
  if (g_stopPipe[0] == -1 && pipe2(g_stopPipe, O_CLOEXEC) != 0) return;
  // The handler only writes a byte; the call happens on this thread, outside the handler.
  std::thread([fd = g_stopPipe[0], onSignal = std::move(onSignal)] {
    char byte;
    while (read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
    onSignal();
  }).detach();
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // SIGHUP too: a closed terminal, a dropped SSH session or a stopped GNU parallel.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace plat
