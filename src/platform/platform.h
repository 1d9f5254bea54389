#pragma once
// The one place where flipframe talks to the operating system (POSIX implementation in
// platform_posix.cpp). Subsystems call these and nothing below them.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// ---- program folder -------------------------------------------------------------------
// Folder of the running executable, without a trailing "/".
std::string ProgramFolder();
// Tests run the program's code from a test binary; they may point it at another folder.
void SetProgramFolderForTesting(const std::string& folder);

// ---- files ------------------------------------------------------------------------------
bool FileExists(const std::string& path);  // stat() succeeds; "" never exists
bool IsDirectory(const std::string& path);
bool IsExecutableFile(const std::string& path);  // regular file with execute permission
int64_t FileSize(const std::string& path);       // -1 when it cannot be read
// Size and modification time of a file (links followed); size -1 when stat() fails.
struct FileStamp {
  int64_t size = -1;
  int64_t seconds = 0, nanoseconds = 0;
};
FileStamp StampOf(const std::string& path);
// Last modification in nanoseconds since the epoch; -1 when it cannot be read.
int64_t FileModifiedNs(const std::string& path);
bool IsReadableFile(const std::string& path);  // a regular file we may open for reading
bool IsRegularFile(const std::string& path);   // stat() says regular (links followed)
// Names in a folder (no "." and ".."), as the file system's bytes; empty when unreadable.
std::vector<std::string> FolderEntries(const std::string& folder);
std::string CanonicalPath(const std::string& path);  // symbolic links followed; "" on failure
// `path` joined to the current folder when relative, then "." and ".." taken out by the
// letters alone (symbolic links kept, the file itself need not exist); "" on failure.
std::string AbsolutePath(const std::string& path);
// The same against `folder` (absolute) instead of the current folder.
std::string AbsolutePathIn(const std::string& path, const std::string& folder);
std::string FindOnPath(const std::string& name);  // first executable on PATH, or ""
bool MakeDirs(const std::string& folder);         // mkdir -p
// rename(2); on failure `why` gets the system's reason.
bool RenameFile(const std::string& from, const std::string& to, std::string* why = nullptr);
bool DeleteFile(const std::string& path);
// Folder of a path: the path itself when it is a folder, else up to and including its last "/".
std::string FolderOf(const std::string& path);
// Extension: from the last "." of the file-name part to the end, dot included; "" if none.
std::string ExtensionOf(const std::string& path);

// ---- whole files and locks (files_posix.cpp) -----------------------------------------------
// Reads the whole file, when it is a regular file (links followed) of at most `limit` bytes;
// a FIFO is refused without waiting for a writer. On failure `why` gets the reason (the
// limit named when it was passed) and `bytes` is empty. Each kind of file has its own limit.
inline constexpr int64_t kSmallFileLimit = int64_t(16) << 20;
bool ReadFile(const std::string& path, std::string* bytes, std::string* why = nullptr,
              int64_t limit = kSmallFileLimit);
// True when nothing is named `path` or it is (through links) a regular file: what a writer
// may put a file in place of.
bool IsRegularOrMissing(const std::string& path, std::string* why = nullptr);
// A file written in parts that replaces `path` whole or not at all: the parts go to a
// temporary file beside it ("PATH.PID-HOST-N.tmp"), which Commit flushes to disk and renames
// over `path`. Without Commit (or when it fails) the temporary is removed and `path` is
// untouched. Only a regular file or nothing is replaced. A process killed mid-way leaves at
// most the temporary, which RemoveLeftoversOf removes later.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  bool Open(const std::string& path, std::string* why = nullptr);
  bool Write(std::string_view bytes);  // false once a write failed; Commit then says why
  bool Commit(std::string* why = nullptr);

 private:
  std::string path_, temp_, error_;
  int fd_ = -1;
};
// AtomicFile in one piece.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* why = nullptr);
// What tells one version of a file from another (device, inode, size, modification time);
// "" when there is no such file.
std::string FileIdentity(const std::string& path);
// At most `most` bytes of a regular file from `offset` on (none when the file does not exist
// or ends before).
bool ReadFileFrom(const std::string& path, int64_t offset, int64_t most, std::string* bytes,
                  std::string* why = nullptr);
// Adds `bytes` at the end of a regular file (created when missing) and flushes them to disk.
// A part written before a failure is cut off again as far as the disk allows; a piece left
// without its line end is set apart from the next by one.
bool AppendToFile(const std::string& path, const std::string& bytes, std::string* why = nullptr);
// Exclusive advisory lock (flock) on `lockPath`, created when missing; blocks until granted.
// Gives a close-on-exec descriptor to hand to UnlockFile, or -1 (with `why`) on failure.
int LockFile(const std::string& lockPath, std::string* why = nullptr);
void UnlockFile(int fd);
// The file a symbolic link finally names (followed even when that file does not exist yet);
// `path` itself when it is no link.
std::string LinkTarget(const std::string& path);
// True when the file exists and carries no write permission bit at all (0444): such a file
// is not ours to replace, even for root, who could.
bool IsWriteProtected(const std::string& path);

// ---- output files (files_posix.cpp) --------------------------------------------------------
// Creates a file named `stem` + "-" + OwnerTag() + "-" + a random tag + `extension` with
// O_EXCL, so that no other process (on this machine or another sharing the folder) holds the
// same name, and writes `testBytes` into it and takes them out again, so that a full disk
// shows now. Its folder is created when missing, and what dead processes left there is
// removed (RemoveDeadFreshFiles). Gives the name, or "" with `why`.
std::string CreateFreshFile(const std::string& stem, const std::string& extension, size_t testBytes,
                            std::string* why = nullptr);

// ---- leftovers (leftovers_posix.cpp) -------------------------------------------------------
// "PID-HOST": this process, as the names of its passing files carry it.
std::string OwnerTag();
// Removes the temporaries AtomicFile left beside `path` ("PATH.PID-HOST-N.tmp") whose process
// on this host is gone (no such process, or one that is not flipframe). Names from other
// hosts, or of another form, are never touched.
void RemoveLeftoversOf(const std::string& path);
// The same in `folder` for fresh files ("STEM_tmp-PID-HOST-XXXXXXXX..."), once per folder
// and process.
void RemoveDeadFreshFiles(const std::string& folder);
enum class MoveResult { Moved, Taken, Failed };
// Moves `from` to `to` only when nothing (file or folder) is named `to`, atomically: two
// processes never both get one name. Taken when the name is in use; Failed with `why` else.
MoveResult MoveToFreeName(const std::string& from, const std::string& to, std::string* why = nullptr);

// ---- this process --------------------------------------------------------------------------
std::string HostName();
pid_t OwnProcessId();
// What tells process `pid` of this machine from a later one with the same number: the boot
// and its start time ("BOOTID:TICKS"); "" when there is no such process.
std::string ProcessStartMark(pid_t pid);

// ---- child processes --------------------------------------------------------------------
struct Child {
  pid_t pid = -1;
  int readFd = -1;  // standard output and standard error joined, close-on-exec
  bool started() const { return pid > 0; }
};
// Starts argv[0] directly (no shell) with stdin from /dev/null and stdout+stderr into one
// pipe; `extraEnv` entries ("NAME=value") are added to the inherited environment. The
// parent's write end is closed before returning. pid is -1 when the start failed. The child
// is killed by the kernel when the thread that started it ends (or the whole program dies,
// SIGKILL included), so the starting thread must wait for it.
Child StartWithCapture(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});
int BytesWaiting(int fd);                     // FIONREAD; -1 on error
int ReadSome(int fd, char* buffer, int max);  // read(2); 0 at end of data, -1 on error
void CloseFd(int fd);
// Waits up to `ms` for the writing side of the pipe read by `fd` to be closed by every
// writer (the child and its descendants gone). Waiting data does not end the wait early.
// True when the writing side is closed.
bool WaitForPipeClosed(int fd, int ms);
// A signal another thread can raise to end a WaitForData early (an eventfd). Raised once, it
// stays raised.
class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;
  void Raise();
  int fd() const { return fd_; }

 private:
  int fd_;
};
// Waits up to `ms` until the pipe read by `fd` has data or its writers have closed it (Ready),
// or `wakeup` (may be null) is raised (Woken).
enum class PipeWait { Ready, Woken, TimedOut };
PipeWait WaitForData(int fd, const Wakeup* wakeup, int ms);
// Non-blocking exit test (waitpid WNOHANG). True once the child has ended; the child is
// then reaped and *exitStatus holds its exit code (128 + signal when killed by one).
bool ChildExited(pid_t pid, int* exitStatus = nullptr);
// Waits up to `graceMs` for the child to end, then kills it; always reaps it. *exitStatus
// holds its exit code when it ended by itself within the grace time.
void ReapChild(pid_t pid, int graceMs, int* exitStatus = nullptr);
void SleepMs(int ms);

// ---- process table -------------------------------------------------------------------------
struct ProcessEntry {
  pid_t pid;
  std::string name;  // /proc/PID/comm
};
std::vector<ProcessEntry> ProcessList();
std::string ExecutablePath(pid_t pid);                     // /proc/PID/exe, "" when unreadable
bool EnvironmentHas(pid_t pid, const std::string& entry);  // exact "NAME=value" entry
void KillProcess(pid_t pid);                               // SIGKILL
void SuspendProcess(pid_t pid);                            // SIGSTOP
void ResumeProcess(pid_t pid);                             // SIGCONT
char ProcessState(pid_t pid);                              // state letter of /proc/PID/stat, 0 if gone

// ---- display ----------------------------------------------------------------------------
// False when $DISPLAY names a local X server whose socket does not answer; a remote display
// (host:N) is taken as reachable.
bool LocalX11DisplayReachable(const std::string& display);

// ---- terminal and stop signals -------------------------------------------------------------
bool IsTerminal(int fd);  // isatty
// From now on SIGINT, SIGTERM and SIGHUP no longer end the program: the first of them calls
// `onSignal` once, on a thread of its own, and the program ends in its own time.
void CatchStopSignals(std::function<void()> onSignal);

// ---- crash reporter ------------------------------------------------------------------------
// The crash handler (crash_handler.h) as the program's start installed it; in a process
// whose start did not (a test program), one that reports on standard error only.
void InstallCrashReporter();

}  // namespace plat
