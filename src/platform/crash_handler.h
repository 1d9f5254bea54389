#pragma once
// The crash handler: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or an
// uncaught C++ exception it writes a report file, ends the converters this process started,
// lets the user see the report and ends the process with the signal's default action, so the
// exit status stays honest. Everything the handler needs is prepared at install time: in the
// handler only async-signal-safe calls run (open/write/close, kill, waitpid, clone+execve).
#include <sys/types.h>

#include <string>

namespace crash {

enum class Showing {
  StandardError,  // the command line: the report's path and the error on standard error
  Reporter,       // the window: a fresh "EXE --crash-report FILE" process shows it
};

struct Setup {
  // Where reports go (created on demand); "" writes no file, the report goes to stderr.
  std::string folder;
  std::string version;  // "flipframe 0.1"
  Showing showing = Showing::StandardError;
};

// Installs the handlers for this process (again: replaces the setup).
void Install(const Setup& setup);
// The window switches the way the report is shown once it knows it runs as a window.
void SetShowing(Showing showing);

// What flipframe is doing, copied into the report: the running task's file and command.
// Returns a ticket; EndActivity with it clears the text unless a newer one was set since.
unsigned BeginActivity(const std::string& what, const std::string& command);
void EndActivity(unsigned ticket);

// The children this process started and has not reaped yet; the handler kills them all.
// Kept in a fixed table of atomics, so the handler can read it. A child is forgotten before
// it is reaped: until then its pid cannot be reused by another process.
void NoteChildStarted(pid_t pid);
void NoteChildReaped(pid_t pid);
// Number of children in the table (tests).
int ChildrenNoted();

// Tests: with FLIPFRAME_CRASH_TEST=segv|abort|exception in the environment at Install, the
// process crashes that way here; the task worker calls it when its converter shows progress.
void TestPoint();
// Crashes this process the named way now; returns only for an unknown name.
void CrashOnPurpose(const std::string& kind);

// A report's marker: present while the report has not been shown to the user.
inline constexpr const char* kUnshownSuffix = ".unshown";

}  // namespace crash
