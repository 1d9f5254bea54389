#pragma once
// A run's bookkeeping on a task list file: which tasks are finished or held by other runs,
// this run's claims and its outcomes. The list is read (and checked) once, keeping per task
// only its place in the file and its state; claims, renewals and outcomes are lines added to
// the list's journal under the list's lock, and before each the journal's new lines (other
// runs') are read. So a claim or an outcome costs the same at 10 and at 50,000 tasks. Only
// when the list file itself is replaced (a save in the window, an append) is it read again.
//
// An outcome that cannot be written (a full disk) is kept and written by the next bookkeeping
// that succeeds, at the latest by Close at the run's end. Close folds the journal into the
// list when no other run holds a task, so that the list at rest is one readable file.
//
// Every member may be called from several threads; each is serialized.
#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/task_list_file.h"

namespace app {

class TaskListLedger {
 public:
  explicit TaskListLedger(std::string path, int64_t limit = kRunListBytes);

  // Reads the list, checking every task (`each`, when given, sees each of them once); "" or
  // the message. A list write that a dead process left half done is removed.
  QString Open(const std::function<void(const ListedTask&)>& each = {});
  int total() const;
  // Claims task `number` (1-based), or with 0 the first task in the list's order that is not
  // finished, not held by another run and not in `passed`. The claim is written before the
  // task is given out: that write is also the proof that its outcome can be recorded.
  ClaimedTask Claim(int number, const std::set<QString>& passed = {});
  // Renews this process's claim on `id` (kClaimRenewSeconds apart while converting).
  QString Renew(const QString& id);
  // Ends this process's claim on `id` without an outcome.
  QString Release(const QString& id);
  // Writes the outcome of task `id` and ends this process's claim on it. When it cannot be
  // written it is kept (the message says so) and written with the next bookkeeping.
  QString Record(const QString& id, const TaskOutcome& outcome);
  // Outcomes kept because they could not be written yet.
  int unwritten() const;
  // Writes the kept outcomes, then, when `fold`, folds the journal into the list if no other
  // run holds a task. "" or the message, which names the outcomes still unwritten.
  QString Close(bool fold = true);

 private:
  struct Entry {
    QString id;
    qsizetype offset = 0, length = 0;  // the task's bytes in the list file
    QString state;
    std::optional<TaskOutcome> outcome;  // from the journal
    std::optional<TaskClaim> claim;
  };
  QString Refresh(bool locked);
  QString Index();
  QString Fold();
  QString Append(const QString& id, const TaskChange& change);
  QString WriteUnwritten();
  bool Holds(const Entry& entry, int64_t now);
  Entry* Find(const QString& id);

  const std::string path_, target_, journal_;
  const int64_t limit_;
  mutable std::mutex mutex_;
  std::string listIdentity_;
  bool needsIds_ = false;
  std::function<void(const ListedTask&)> each_;
  int64_t journalRead_ = 0;
  std::vector<Entry> entries_;
  std::unordered_map<QString, size_t> at_;
  JournalEntries unwritten_;
  std::map<QString, std::pair<int64_t, int64_t>> futureSeen_;  // id -> (renewal, first seen here)
};

}  // namespace app
