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
// flock of "LIST.json.lock" beside the list (the list itself cannot carry the lock: each rename
// gives it a new inode), which lets several runs, on several machines sharing the folder,
// record their results in one list without losing any.
//
// Functions give an empty text on success, else the program's message naming the file.
#include <QByteArray>
#include <QString>

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
// Adds rows at the end of the list, creating it when missing; refused when the list would
// pass the task limit.
QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows);
// Writes the outcome of task `number` (1-based) into the list, under the lock, leaving every
// other task as the file has it at that moment.
QString RecordTaskOutcome(const std::string& path, int number, const TaskOutcome& outcome);

std::string TaskListLockPath(const std::string& path);

}  // namespace app
