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
// Runs write their claims and outcomes to the list's journal (task_list_journal.h); every
// reader here sees the list with the journal applied, and every whole-list write folds it in.
//
// Only a regular file (or nothing) is read or replaced as a list; a list is read whole up to
// a limit that depends on who reads it.
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

#include "store/task_list_format.h"
#include "store/task_list_journal.h"
#include "store/task_row.h"

namespace app {

// What a list may weigh: for the window (1000 tasks of a few KB each, with room to spare)
// and for `flipframe run`, which takes lists of any number of tasks (some 150,000 of them).
inline constexpr int64_t kWindowListBytes = int64_t(32) << 20;
inline constexpr int64_t kRunListBytes = int64_t(512) << 20;

struct LoadedTaskList {
  std::vector<TaskRow> rows;
  QString error;
  bool ok() const { return error.isEmpty(); }
};

QByteArray SerializeTaskList(const std::vector<TaskRow>& rows);
// `path` only names the file in messages.
LoadedTaskList ParseTaskList(const QByteArray& bytes, const std::string& path);

LoadedTaskList LoadTaskList(const std::string& path, int64_t limit = kWindowListBytes);
QString SaveTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Writes `rows` as the whole list under the lock, without reading what the file held first:
// for a list no run converts from (the window's session list), where SaveTaskList's read to
// keep the runs' claims would only double the cost.
QString ReplaceTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Adds rows at the end of the list, creating it when missing; refused when the list would
// pass the task limit.
QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows);

// ---- claims ---------------------------------------------------------------------------------
inline constexpr int kClaimRenewSeconds = 60;
// A claim from another machine not renewed for this long is taken over: its run is gone.
inline constexpr int kClaimStaleSeconds = 600;

// A claim naming this process, now.
TaskClaim OwnClaim();
bool IsOwnClaim(const TaskClaim& claim);
// Whether `claim` still holds at `now` (seconds since the epoch), seen from host `here`: on
// this host while its process (same number, same start mark) lives, from another host while
// it was renewed within kClaimStaleSeconds. A renewal time ahead of this machine's clock
// counts from `seenSince`, when this machine first saw it.
bool ClaimHolds(const TaskClaim& claim, const std::string& here, int64_t now, int64_t seenSince);
inline bool ClaimHolds(const TaskClaim& claim, const std::string& here, int64_t now) {
  return ClaimHolds(claim, here, now, now);
}

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

// One-off bookkeeping on a list, each reading the list anew (a run keeps a TaskListLedger,
// task_list_ledger.h, which does the same without reading the whole list each time).
ClaimedTask ClaimTask(const std::string& path, int number, const std::set<QString>& passed = {});
QString RenewTaskClaim(const std::string& path, const QString& id);
QString ReleaseTaskClaim(const std::string& path, const QString& id);
QString RecordTaskOutcome(const std::string& path, const QString& id, const TaskOutcome& outcome);

// The lock beside the file the list names (through a symbolic link): ".NAME.lock", hidden.
std::string TaskListLockPath(const std::string& path);

}  // namespace app
