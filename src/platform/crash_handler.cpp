#include "platform/crash_handler.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "platform/crash_text.h"
#include "platform/platform.h"

extern char** environ;

namespace crash {
namespace {

// ---- prepared at install time ---------------------------------------------------------------
char g_folder[PATH_MAX];        // "" when reports go to standard error only
char g_exe[PATH_MAX];           // /proc/self/exe, for the reporter and the report
char g_header[PATH_MAX + 512];  // version, program, its load bias and address range
std::atomic<int> g_showing{int(Showing::StandardError)};
char g_testKind[16];  // FLIPFRAME_CRASH_TEST
bool g_installed = false;

// ---- filled in by the crashing thread ----------------------------------------------------------
std::atomic<pid_t> g_crashingThread{0};
char g_reportPath[PATH_MAX + 64];
char g_markerPath[PATH_MAX + 80];
char g_crashArg[] = "--crash-report";

// ---- what flipframe is doing (a sequence lock: the handler never waits for a writer) ----------
constexpr size_t kActivityBytes = 4096;
std::mutex g_activityWriters;
std::atomic<unsigned> g_activitySeq{0};  // odd while a writer is at work
unsigned g_activityTicket = 0;           // guarded by g_activityWriters
char g_activity[kActivityBytes];

// ---- children not yet reaped -------------------------------------------------------------------
constexpr int kChildSlots = 64;
std::atomic<pid_t> g_children[kChildSlots];

void WriteFd(int fd, const char* s, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, s, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    s += w;
    n -= size_t(w);
  }
}

void WriteFd(int fd, const char* s) { WriteFd(fd, s, strlen(s)); }

long long Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);  // async-signal-safe, unlike time()
  return ts.tv_sec;
}

// Copies the activity text, or says that a writer was at work every time we looked.
void CopyActivity(Text& out) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned before = g_activitySeq.load(std::memory_order_acquire);
    if (before & 1u) continue;
    char copy[kActivityBytes];
    for (size_t i = 0; i < kActivityBytes; ++i) copy[i] = __atomic_load_n(&g_activity[i], __ATOMIC_RELAXED);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (g_activitySeq.load(std::memory_order_relaxed) != before) continue;
    copy[kActivityBytes - 1] = '\0';
    out.Add(copy[0] ? copy : "没有正在运行的任务\n");
    return;
  }
  out.Add("（正在更新，无法读取）\n");
}

// Kills every child still in the table and reaps it (a second at most), so none runs on.
void EndChildren(Text& report) {
  pid_t ended[kChildSlots];
  int count = 0;
  for (auto& slot : g_children) {
    const pid_t pid = slot.exchange(0);
    if (pid > 0 && kill(pid, SIGKILL) == 0) ended[count++] = pid;
  }
  report.Add(kEndedKey);
  if (count == 0) report.Add("无");
  for (int i = 0; i < count; ++i) {
    if (i > 0) report.Add(" ");
    report.Dec(ended[i]);
  }
  report.Add("\n");
  for (int waited = 0; waited < 100; ++waited) {
    bool all = true;
    for (int i = 0; i < count; ++i) {
      if (ended[i] == 0) continue;
      if (waitpid(ended[i], nullptr, WNOHANG) != 0)
        ended[i] = 0;  // reaped, or not ours to reap
      else
        all = false;
    }
    if (all) return;
    const timespec tenMs{0, 10 * 1000 * 1000};
    nanosleep(&tenMs, nullptr);
  }
}

// mkdir -p on a copy of the folder (mkdir is async-signal-safe).
void MakeFolder(const char* folder) {
  char path[PATH_MAX];
  const size_t n = strlen(folder);
  for (size_t i = 0; i <= n && i < sizeof path; ++i) {
    if ((folder[i] == '/' && i > 0) || folder[i] == '\0') {
      path[i] = '\0';
      mkdir(path, 0755);
    }
    path[i] = folder[i];
  }
}

// Starts the reporter with a raw clone, which runs no fork handlers of other libraries.
bool StartReporter() {
  char* argv[] = {g_exe, g_crashArg, g_reportPath, nullptr};
  const long pid = syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0);
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);  // the crashing signal is blocked here
    execve(g_exe, argv, environ);
    _exit(127);
  }
  return pid > 0;
}

// The signal's default action ends the process, so its exit status names the signal.
[[noreturn]] void DieBy(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  sigset_t just;
  sigemptyset(&just);
  sigaddset(&just, sig);
  sigprocmask(SIG_UNBLOCK, &just, nullptr);
  raise(sig);
  _exit(128 + sig);  // not reached
}

// A second thread crashing meanwhile waits for the first to end the process; a fault
// inside the handler itself ends it at once (the handler is reset to the default action
// for the signal it handles, and re-raised for another one).
void EnterOnce(int sig) {
  const pid_t me = pid_t(syscall(SYS_gettid));
  pid_t none = 0;
  if (g_crashingThread.compare_exchange_strong(none, me)) return;
  if (none != me) {
    for (;;) pause();
  }
  DieBy(sig);
}

// The report: written to its file and shown; then the default action of `sig` ends us.
[[noreturn]] void ReportAndDie(int sig, const char* code, const char* message) {
  // Static: only one thread gets here (EnterOnce), and the handler's stack is small.
  static Text report, name, marker, line;
  report.Clear();
  report.Add("flipframe 崩溃报告\n");
  AddTimeLine(report, Now());
  report.Add(g_header);
  report.Add(kCodeKey).Add(code).Add("\n");
  report.Add(kMessageKey).Add(message).Add("\n");
  report.Add(kPidKey).Dec(getpid()).Add("\n");
  report.Add(kActivityKey).Add("\n");
  CopyActivity(report);
  EndChildren(report);
  report.Add(kStackKey).Add("\n");

  int fd = -1;
  if (g_folder[0]) {
    MakeFolder(g_folder);
    name.Add(g_folder).Add("/");
    AddReportFileName(name, Now(), getpid());
    memcpy(g_reportPath, name.data(), name.size() + 1);
    fd = open(g_reportPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  }
  void* frames[64];
  const int depth = backtrace(frames, 64);
  const bool toReporter = fd >= 0 && g_showing.load() == int(Showing::Reporter);
  if (fd >= 0) {
    WriteFd(fd, report.data(), report.size());
    backtrace_symbols_fd(frames, depth, fd);
    close(fd);
    if (toReporter) {
      marker.Add(g_reportPath).Add(kUnshownSuffix);
      memcpy(g_markerPath, marker.data(), marker.size() + 1);
      const int m = open(g_markerPath, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      if (m >= 0) close(m);
    }
  }
  // Standard error always hears of it; the command line gets the report's path there.
  line.Add("flipframe 崩溃了: ").Add(code).Add(" ").Add(message).Add("\n");
  if (fd >= 0) line.Add("崩溃报告: ").Add(g_reportPath).Add("\n");
  WriteFd(STDERR_FILENO, line.data(), line.size());
  if (fd < 0) {
    if (g_folder[0]) WriteFd(STDERR_FILENO, "崩溃报告无法写入，调用栈如下:\n");
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
  }
  if (toReporter) StartReporter();
  DieBy(sig);
}

void OnFatalSignal(int sig, siginfo_t* info, void*) {
  EnterOnce(sig);
  static Text code, message;
  AddSignalMessage(message, sig, info->si_code, info->si_addr, info->si_pid);
  AddSignalCode(code, sig);
  ReportAndDie(sig, code.data(), message.data());
}

// Not a signal handler: allocation is allowed here, if the heap still works.
[[noreturn]] void OnTerminate() {
  EnterOnce(SIGABRT);
  static Text code, message;
  code.Add(kUncaughtException).Add(" (");
  if (std::type_info* type = abi::__cxa_current_exception_type()) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    code.Add(status == 0 && readable ? readable : type->name());
    std::free(readable);
  } else {
    code.Add("std::terminate");
  }
  code.Add(")");
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      message.Add(e.what());
    } catch (...) {
      message.Add("（这个异常不是 std::exception，没有说明）");
    }
  } else {
    message.Add("std::terminate 被调用，但没有正在处理的异常");
  }
  ReportAndDie(SIGABRT, code.data(), message.data());
}

void CopyInto(char* buffer, size_t size, const std::string& text) {
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// The program's own load bias and address range (the first object dl_iterate_phdr lists).
int FindOwnRange(dl_phdr_info* info, size_t, void* data) {
  auto* range = static_cast<uintptr_t*>(data);
  uintptr_t low = UINTPTR_MAX, high = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    low = std::min<uintptr_t>(low, info->dlpi_addr + ph.p_vaddr);
    high = std::max<uintptr_t>(high, info->dlpi_addr + ph.p_vaddr + ph.p_memsz);
  }
  range[0] = info->dlpi_addr;
  range[1] = low;
  range[2] = high;
  return 1;  // the first object is the program
}

void InstallHandlers() {
  // A stack of its own for the handler, so that a stack overflow can still be reported.
  static char altStack[64 * 1024];
  stack_t ss{};
  ss.ss_sp = altStack;
  ss.ss_size = sizeof altStack;
  sigaltstack(&ss, nullptr);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction sa {};
    sa.sa_sigaction = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigaction(sig, &sa, nullptr);
  }
  std::set_terminate(OnTerminate);
}

}  // namespace

void Install(const Setup& setup) {
  // Load libgcc's unwinder now: backtrace() inside a signal handler must not allocate.
  void* warmup[1];
  backtrace(warmup, 1);
  CopyInto(g_folder, sizeof g_folder, setup.folder);
  const ssize_t n = readlink("/proc/self/exe", g_exe, sizeof g_exe - 1);
  g_exe[n > 0 ? n : 0] = '\0';
  uintptr_t range[3] = {0, 0, 0};
  dl_iterate_phdr(FindOwnRange, range);
  Text header;
  header.Add(kVersionKey).Add(setup.version.c_str()).Add("\n");
  header.Add(kProgramKey).Add(g_exe).Add("\n");
  header.Add(kBiasKey).Hex(range[0]).Add("\n");
  header.Add(kRangeKey).Hex(range[1]).Add("-").Hex(range[2]).Add("\n");
  CopyInto(g_header, sizeof g_header, std::string(header.data(), header.size()));
  g_showing = int(setup.showing);
  const char* test = std::getenv("FLIPFRAME_CRASH_TEST");
  CopyInto(g_testKind, sizeof g_testKind, test ? test : "");
  InstallHandlers();
  g_installed = true;
}

void SetShowing(Showing showing) { g_showing = int(showing); }

unsigned BeginActivity(const std::string& what, const std::string& command) {
  std::string text = kTaskKey + what + "\n" + kCommandKey + command + "\n";
  if (text.size() >= kActivityBytes) text = text.substr(0, kActivityBytes - 5) + "…\n";
  unsigned ticket;
  {
    std::lock_guard<std::mutex> lock(g_activityWriters);
    g_activitySeq.fetch_add(1, std::memory_order_acq_rel);
    std::atomic_thread_fence(std::memory_order_release);
    for (size_t i = 0; i < kActivityBytes; ++i)
      __atomic_store_n(&g_activity[i], i < text.size() ? text[i] : '\0', __ATOMIC_RELAXED);
    g_activitySeq.fetch_add(1, std::memory_order_release);
    ticket = ++g_activityTicket;
  }
  return ticket;
}

void EndActivity(unsigned ticket) {
  std::lock_guard<std::mutex> lock(g_activityWriters);
  if (ticket != g_activityTicket) return;
  g_activitySeq.fetch_add(1, std::memory_order_acq_rel);
  std::atomic_thread_fence(std::memory_order_release);
  __atomic_store_n(&g_activity[0], '\0', __ATOMIC_RELAXED);
  g_activitySeq.fetch_add(1, std::memory_order_release);
}

void NoteChildStarted(pid_t pid) {
  for (auto& slot : g_children) {
    pid_t empty = 0;
    if (slot.compare_exchange_strong(empty, pid)) return;
  }
}

void NoteChildReaped(pid_t pid) {
  for (auto& slot : g_children) {
    pid_t mine = pid;
    if (slot.compare_exchange_strong(mine, 0)) return;
  }
}

void TestPoint() {
  if (g_testKind[0]) CrashOnPurpose(g_testKind);
}

int ChildrenNoted() {
  int n = 0;
  for (auto& slot : g_children) n += slot.load() > 0;
  return n;
}

namespace {
volatile uintptr_t g_nowhere = 0;  // not a constant, so the compiler cannot see the null pointer
}  // namespace

// Own frames, not inlined, so the report names them. Not checked by UndefinedBehaviorSanitizer:
// the null store is the point, and the sanitizer build must fault like the program does.
__attribute__((noinline, no_sanitize("undefined"))) void CrashOnPurpose(const std::string& kind) {
  if (kind == "segv") {
    *reinterpret_cast<volatile int*>(g_nowhere) = 1;
  } else if (kind == "abort") {
    std::abort();
  } else if (kind == "exception") {
    throw std::runtime_error("测试用的未捕获异常");
  }
}

}  // namespace crash

namespace plat {

void InstallCrashReporter() {
  // The program's start-up has installed the full reporter already; otherwise (a test
  // program) a report to standard error only.
  if (!crash::g_installed) crash::Install({});
}

}  // namespace plat
