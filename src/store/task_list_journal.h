#pragma once
// The record of claims and outcomes beside a task list (".LIST.json.journal", hidden), one
// JSON object a line, appended under the list's lock. A run writes a line for each claim,
// renewal and outcome instead of rewriting the whole list, so its bookkeeping costs the same
// for 10 tasks and for 50,000. Readers take the list with the journal's lines applied in
// order; whoever rewrites the whole list (a save, an append, the end of the last run) folds
// the journal into it and removes it, so a list at rest is one file that can be read and
// mailed on its own.
#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/task_row.h"

namespace app {

// What a finished (or failed) run writes back for its task.
struct TaskOutcome {
  QString speed;
  QString state;
  std::string finalOutputPath;
};

// One line: the task's claim afterwards (none: released or ended), and its outcome if any.
struct TaskChange {
  std::optional<TaskOutcome> outcome;
  std::optional<TaskClaim> claim;
};
using JournalEntries = std::vector<std::pair<QString, TaskChange>>;

inline constexpr int64_t kJournalReadBytes = int64_t(64) << 20;  // read at a time

// The journal beside the file the list names (through a symbolic link): ".NAME.journal".
std::string JournalPath(const std::string& list);
QByteArray JournalLine(const QString& id, const TaskChange& change);
// The whole lines of `bytes`, in order; a line that cannot be read (cut short by a full disk)
// is passed over. `used` gets the length of the whole lines.
JournalEntries ParseJournal(const std::string& bytes, size_t* used);
void ApplyChange(const TaskChange& change, TaskRow* row);
void ApplyChange(const TaskChange& change, QJsonObject* task);

}  // namespace app
