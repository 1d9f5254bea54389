#pragma once
// Task lists on disk: a JSON document {"format": "flipframe-task-list", "version": 1,
// "tasks": [...]} holding every field of every task and its row texts. Plain Qt Core, so the
// command line can use it without a window.
//
// Every text is UTF-8; a field whose bytes are not valid UTF-8 (a file name from an old
// disk) is written as {"base64": "..."} so that it comes back byte for byte.
//
// Writers replace the file by renaming a finished temporary over it, so a reader never sees
// half a list and an interrupted save keeps the previous file. Writers serialize on an
// flock of the hidden ".LIST.json.lock" beside the list (the list itself cannot carry the lock:
// each rename gives it a new inode), which lets several runs, on several machines sharing the folder,
// record their results in one list without losing any.
//
// Each task carries an "id"; a list without ids (or with one twice) gets fresh ones on load.
// A run claims a task before converting it ("claim": host, pid, start mark, last renewal),
// under the lock, and records its outcome by id, so that any number of runs on any number of
// machines convert each task once, however the list is reordered or added to meanwhile.
//
// A list given as a symbolic link is read, locked and written at the file the link names;
// a list without any write permission (0444) is never replaced.
//
// Functions give an empty text on success, else the program's message naming the file.
#include <QByteArray>
#include <QString>

#include <set>
#include <string>
#include <vector>

#include "store/task_row.h"

namespace app {

inline constexpr char kTaskListFormat[] = "flipframe-task-list";
inline constexpr int kTaskListVersion = 1;

struct LoadedTaskList {
  std::vector<TaskRow> rows;
  QString error;
  bool ok() const { return error.isEmpty(); }
};

// What a finished (or failed) run writes back for its task.
struct TaskOutcome {
  QString speed;
  QString state;
  std::string finalOutputPath;
};

QByteArray SerializeTaskList(const std::vector<TaskRow>& rows);
// `path` only names the file in messages.
LoadedTaskList ParseTaskList(const QByteArray& bytes, const std::string& path);

LoadedTaskList LoadTaskList(const std::string& path);
QString SaveTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Writes `rows` as the whole list under the lock, without reading what the file held first:
// for a list no run converts from (the window's session list), where SaveTaskList's read to
// keep the runs' claims would only double the cost.
QString ReplaceTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Adds rows at the end of the list, creating it when missing; refused when the list would
// pass the task limit.
QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Writes the outcome of the task `id` into the list, under the lock, leaving every other task
// as the file has it at that moment, and ends this process's claim on it.
QString RecordTaskOutcome(const std::string& path, const QString& id, const TaskOutcome& outcome);

// ---- claims ---------------------------------------------------------------------------------
inline constexpr int kClaimRenewSeconds = 60;
// A claim from another machine not renewed for this long is taken over: its run is gone.
inline constexpr int kClaimStaleSeconds = 600;

// A claim naming this process, now.
TaskClaim OwnClaim();
bool IsOwnClaim(const TaskClaim& claim);
// Whether `claim` still holds at `now` (seconds since the epoch), seen from host `here`: on
// this host while its process (same number, same start mark) lives, from another host while
// it was renewed within kClaimStaleSeconds.
bool ClaimHolds(const TaskClaim& claim, const std::string& here, int64_t now);

enum class ClaimEnd { Claimed, Finished, Busy, Nothing, Error };
struct ClaimedTask {
  ClaimEnd end = ClaimEnd::Nothing;
  int number = 0;  // 1-based, as the list stood at the claim
  int total = 0;
  TaskRow row;
  int finished = 0;                 // tasks of the list that read "处理完毕"
  int busy = 0;                     // tasks another run holds
  std::optional<TaskClaim> holder;  // Busy: who holds task `number`
  QString error;
};
// Claims task `number` (1-based), or with 0 the first task in the list's order that is not
// finished, not held by another run and not in `passed`. The list is rewritten only when a
// task is claimed: that write is also the proof that the outcome can be recorded later.
ClaimedTask ClaimTask(const std::string& path, int number, const std::set<QString>& passed = {});
// Renews this process's claim on `id` (kClaimRenewSeconds apart while converting).
QString RenewTaskClaim(const std::string& path, const QString& id);
// Ends this process's claim on `id` without an outcome.
QString ReleaseTaskClaim(const std::string& path, const QString& id);

// The lock beside the file the list names (through a symbolic link): ".NAME.lock", hidden.
std::string TaskListLockPath(const std::string& path);

}  // namespace app
