#pragma once
// The task list document, read and written one task at a time: a list of 50,000 tasks is
// never held as one JSON tree. Reading finds each task's bytes and parses them alone;
// writing puts the tasks out one after another in the layout of an indented JSON document.
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "store/task_row.h"

namespace app {

inline constexpr char kTaskListFormat[] = "flipframe-task-list";
inline constexpr int kTaskListVersion = 1;

QJsonObject RowToJson(const TaskRow& row);
QJsonValue BytesToJson(const std::string& bytes);
bool BytesFromJson(const QJsonValue& v, std::string* out);
QJsonValue ClaimToJson(const std::optional<TaskClaim>& claim);  // null for none
std::optional<TaskClaim> ClaimFromJson(const QJsonValue& v);

// Each task of a list document: its bytes in the document and, parsed and checked, its row.
struct ListedTask {
  int number = 0;  // 1-based
  qsizetype offset = 0, length = 0;
  TaskRow row;
  bool freshId = false;  // the task had no id: row.id is made up and in no file
};
// Calls `take` for each task in order, after checking it, and stops at the first task that
// fails a check or when `take` gives false. "" when the whole document was read, else the
// message naming `path` (only used in messages) and, for a task, its number and field.
QString ReadListDocument(const QByteArray& bytes, const std::string& path,
                         const std::function<bool(ListedTask&)>& take);

// One task's bytes (`number`, at `offset` of the document) parsed and checked into `row`;
// "" or the message.
QString ReadListedTask(const QByteArray& task, const std::string& path, int number, qsizetype offset,
                       TaskRow* row);

// The document's text in pieces: Head, then each task's text (TaskText for a row's JSON, or
// the bytes a document held for it) after Separator, then Tail.
QByteArray ListHead();
QByteArray ListSeparator(bool first);
QByteArray TaskText(const QJsonObject& task);
QByteArray ListTail();

}  // namespace app
