#include "store/task_list_ledger.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "platform/platform.h"
#include "store/list_access.h"
#include "store/utf8.h"

namespace app {
namespace {

int64_t NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

QString Unwritten(int count, const QString& why) {
  return QStringLiteral("%1（%2 个任务的结果暂时留在内存中，有空间时补写。）")
      .arg(why, QString::number(count));
}

}  // namespace

TaskListLedger::TaskListLedger(std::string path, int64_t limit)
    : path_(std::move(path)), target_(plat::LinkTarget(path_)), journal_(JournalPath(path_)), limit_(limit) {}

int TaskListLedger::total() const {
  const std::lock_guard<std::mutex> guard(mutex_);
  return int(entries_.size());
}

int TaskListLedger::unwritten() const {
  const std::lock_guard<std::mutex> guard(mutex_);
  return int(unwritten_.size());
}

TaskListLedger::Entry* TaskListLedger::Find(const QString& id) {
  const auto found = at_.find(id);
  return found == at_.end() ? nullptr : &entries_[found->second];
}

QString TaskListLedger::Index() {
  // Taken before the read: a list replaced while it is read is read again next time.
  const std::string identity = plat::FileIdentity(target_);
  std::string bytes;
  if (const QString error = ReadListBytes(path_, limit_, &bytes); !error.isEmpty()) return error;
  entries_.clear();
  at_.clear();
  bool ownIds = true;
  const QString error = ReadListDocument(
      QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), path_, [&](ListedTask& task) {
        const TaskRow& row = task.row;
        ownIds = ownIds && !task.freshId && !at_.count(row.id);
        at_.emplace(row.id, entries_.size());
        entries_.push_back({row.id, task.offset, task.length, row.state, {}, row.claim});
        if (each_) each_(task);
        return true;
      });
  each_ = {};  // each task once, however often the list is read again
  if (!error.isEmpty()) {
    entries_.clear(), at_.clear();
    return error;
  }
  listIdentity_ = identity;
  journalRead_ = 0;
  needsIds_ = !ownIds;
  return {};
}

QString TaskListLedger::Refresh(bool locked) {
  if (!plat::FileExists(target_)) return ListMissing(path_);
  // A journal shorter than what was read of it was folded by another process: so was the list.
  if (plat::FileIdentity(target_) != listIdentity_ ||
      std::max<int64_t>(plat::FileSize(journal_), 0) < journalRead_)
    if (const QString error = Index(); !error.isEmpty()) return error;
  // A list from before ids (or with one twice): the journal can only name tasks by ids that
  // are in the file, so they are written into it first.
  if (needsIds_) {
    std::optional<ListLock> lock;
    if (!locked && !lock.emplace(path_).error().isEmpty()) return lock->error();
    if (const QString error = Fold(); !error.isEmpty()) return error;
    if (const QString error = Index(); !error.isEmpty()) return error;
  }
  for (;;) {
    std::string bytes, why;
    if (!plat::ReadFileFrom(journal_, journalRead_, kJournalReadBytes, &bytes, &why))
      return QStringLiteral("无法读取任务列表文件“%1”的记录：%2。").arg(FromUtf8(path_), FromUtf8(why));
    size_t used = 0;
    for (const auto& [id, change] : ParseJournal(bytes, &used)) {
      Entry* entry = Find(id);
      if (!entry) continue;
      if (change.outcome) entry->outcome = change.outcome, entry->state = change.outcome->state;
      entry->claim = change.claim;
    }
    journalRead_ += int64_t(used);
    if (int64_t(bytes.size()) < kJournalReadBytes || used == 0) return {};
  }
}

// "" or the message. A list without write permission gets no journal either: its owner froze it.
QString TaskListLedger::Append(const QString& id, const TaskChange& change) {
  if (plat::IsWriteProtected(target_)) return ListWriteProtected(path_);
  std::string why;
  if (!plat::AppendToFile(journal_, JournalLine(id, change).toStdString(), &why))
    return ListWriteFailure(path_, why);
  return {};
}

// Writes the list anew with the journal in it, then removes the journal. Tasks the journal
// does not touch keep their bytes.
QString TaskListLedger::Fold() {
  if (plat::IsWriteProtected(target_)) return ListWriteProtected(path_);
  std::string bytes, journal, why;
  if (const QString error = ReadListBytes(path_, limit_, &bytes); !error.isEmpty()) return error;
  std::unordered_map<QString, std::vector<TaskChange>> changes;
  for (int64_t offset = 0;;) {
    std::string part;
    if (!plat::ReadFileFrom(journal_, offset, kJournalReadBytes, &part, &why))
      return ListWriteFailure(path_, why);
    size_t used = 0;
    for (auto& [id, change] : ParseJournal(part, &used)) changes[id].push_back(std::move(change));
    offset += int64_t(used);
    if (int64_t(part.size()) < kJournalReadBytes || used == 0) break;
  }
  plat::AtomicFile file;
  if (!file.Open(target_, &why)) return ListWriteFailure(path_, why);
  const QByteArray document = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  std::set<QString> ids;
  QByteArray buffer = ListHead();
  const QString error = ReadListDocument(document, path_, [&](ListedTask& task) {
    TaskRow& row = task.row;
    bool changed = task.freshId || !ids.insert(row.id).second;
    if (changed) {
      while (!ids.insert(row.id).second) row.id = NewTaskId();
    } else if (const auto found = changes.find(row.id); found != changes.end()) {
      for (const TaskChange& change : found->second) ApplyChange(change, &row);
      changed = true;
    }
    buffer += ListSeparator(task.number == 1);
    buffer += changed ? TaskText(RowToJson(row)) : document.mid(task.offset, task.length);
    if (buffer.size() > (1 << 20))
      file.Write(std::string_view(buffer.constData(), size_t(buffer.size()))), buffer.clear();
    return true;
  });
  if (!error.isEmpty()) return error;
  buffer += ListTail();
  file.Write(std::string_view(buffer.constData(), size_t(buffer.size())));
  if (!file.Commit(&why)) return ListWriteFailure(path_, why);
  plat::DeleteFile(journal_);
  listIdentity_.clear();  // the tasks stand elsewhere in the new file: read it again
  return {};
}

bool TaskListLedger::Holds(const Entry& entry, int64_t now) {
  if (!entry.claim) return false;
  int64_t seenSince = now;
  if (entry.claim->renewed > now) {
    auto& seen = futureSeen_[entry.id];
    if (seen.first != entry.claim->renewed) seen = {entry.claim->renewed, now};
    seenSince = seen.second;
  }
  static const std::string here = plat::HostName();
  return ClaimHolds(*entry.claim, here, now, seenSince);
}

QString TaskListLedger::Open(const std::function<void(const ListedTask&)>& each) {
  const std::lock_guard<std::mutex> guard(mutex_);
  if (!plat::FileExists(target_)) return ListMissing(path_);
  plat::RemoveLeftoversOf(target_);
  each_ = each;
  return Refresh(false);
}

ClaimedTask TaskListLedger::Claim(int number, const std::set<QString>& passed) {
  const std::lock_guard<std::mutex> guard(mutex_);
  ClaimedTask out;
  auto fail = [&](const QString& error) {
    out.end = ClaimEnd::Error;
    out.error = error;
    return out;
  };
  if (!plat::FileExists(target_)) return fail(ListMissing(path_));
  const ListLock lock(path_);
  if (!lock.error().isEmpty()) return fail(lock.error());
  if (const QString error = Refresh(true); !error.isEmpty()) return fail(error);
  WriteUnwritten();
  out.total = int(entries_.size());
  if (number > out.total)
    return fail(QStringLiteral("任务列表文件“%1”中没有第%2个任务（共%3个）。")
                    .arg(FromUtf8(path_), QString::number(number), QString::number(out.total)));
  const int64_t now = NowSeconds();
  Entry* chosen = nullptr;
  for (int i = 0; i < out.total; ++i) {
    Entry& entry = entries_[size_t(i)];
    const bool done = IsFinishedState(entry.state);
    const bool held = Holds(entry, now);
    out.finished += done;
    out.busy += held && !done;
    if (chosen || (number != 0 && i != number - 1) || (number == 0 && passed.count(entry.id))) continue;
    if (done) {
      if (number != 0) out.end = ClaimEnd::Finished;
    } else if (held) {
      if (number != 0) out.end = ClaimEnd::Busy, out.holder = entry.claim;
    } else {
      chosen = &entry;
      out.number = i + 1;
    }
  }
  if (!chosen) return out;
  const TaskClaim own = OwnClaim();
  if (const QString error = Append(chosen->id, {std::nullopt, own}); !error.isEmpty()) return fail(error);
  chosen->claim = own;
  std::string bytes, why;
  if (!plat::ReadFileFrom(target_, chosen->offset, chosen->length, &bytes, &why))
    return fail(ListWriteFailure(path_, why));
  if (const QString error =
          ReadListedTask(QByteArray::fromStdString(bytes), path_, out.number, chosen->offset, &out.row);
      !error.isEmpty())
    return fail(error);
  if (chosen->outcome) ApplyChange({chosen->outcome, own}, &out.row);
  out.row.id = chosen->id;
  out.row.claim = own;
  out.end = ClaimEnd::Claimed;
  return out;
}

QString TaskListLedger::Renew(const QString& id) {
  const std::lock_guard<std::mutex> guard(mutex_);
  const ListLock lock(path_);
  if (!lock.error().isEmpty()) return lock.error();
  if (const QString error = Refresh(true); !error.isEmpty()) return error;
  WriteUnwritten();
  Entry* entry = Find(id);
  if (!entry) return TaskGone(path_);
  // A claim taken over meanwhile stays with its new holder; one ended by the outcome is not
  // made again.
  if (!entry->claim || !IsOwnClaim(*entry->claim)) return {};
  const TaskClaim own = OwnClaim();
  if (const QString error = Append(id, {std::nullopt, own}); !error.isEmpty()) return error;
  entry->claim = own;
  return {};
}

QString TaskListLedger::Release(const QString& id) {
  const std::lock_guard<std::mutex> guard(mutex_);
  const ListLock lock(path_);
  if (!lock.error().isEmpty()) return lock.error();
  if (const QString error = Refresh(true); !error.isEmpty()) return error;
  Entry* entry = Find(id);
  if (!entry || !entry->claim || !IsOwnClaim(*entry->claim)) return {};
  if (const QString error = Append(id, {}); !error.isEmpty()) return error;
  entry->claim.reset();
  return {};
}

// Under the lock, after Refresh. Gives the message of the first failure.
QString TaskListLedger::WriteUnwritten() {
  while (!unwritten_.empty()) {
    const auto& [id, kept] = unwritten_.front();
    if (Entry* entry = Find(id)) {
      // The claim as it stands now: this run's ends with the outcome, another's stays.
      TaskChange change{kept.outcome, entry->claim};
      if (change.claim && IsOwnClaim(*change.claim)) change.claim.reset();
      if (const QString why = Append(id, change); !why.isEmpty()) return why;
      entry->outcome = kept.outcome;
      entry->state = kept.outcome->state;
      entry->claim = change.claim;
    }
    unwritten_.erase(unwritten_.begin());
  }
  return {};
}

QString TaskListLedger::Record(const QString& id, const TaskOutcome& outcome) {
  const std::lock_guard<std::mutex> guard(mutex_);
  unwritten_.emplace_back(id, TaskChange{outcome, std::nullopt});
  const ListLock lock(path_);
  QString why = lock.error();
  if (why.isEmpty()) {
    if (const QString error = Refresh(true); !error.isEmpty()) {
      unwritten_.pop_back();  // the list is gone or no list: nowhere to write it later either
      return error;
    }
    if (!Find(id)) {
      unwritten_.pop_back();
      return TaskGone(path_);
    }
    why = WriteUnwritten();
  }
  return unwritten_.empty() ? QString() : Unwritten(int(unwritten_.size()), why);
}

QString TaskListLedger::Close(bool fold) {
  const std::lock_guard<std::mutex> guard(mutex_);
  if (!plat::FileExists(target_)) return unwritten_.empty() ? QString() : ListMissing(path_);
  const ListLock lock(path_);
  if (!lock.error().isEmpty()) return lock.error();
  if (const QString error = Refresh(true); !error.isEmpty()) return error;
  if (const QString why = WriteUnwritten(); !why.isEmpty())
    return QStringLiteral("%1（%2 个任务的结果未能写入，这些任务下次会再执行。）")
        .arg(why, QString::number(unwritten_.size()));
  if (!fold || !plat::FileExists(journal_)) return {};
  const int64_t now = NowSeconds();
  for (const Entry& entry : entries_)
    if (Holds(entry, now)) return {};  // the last run to end folds
  return Fold();
}

// ---- one-off bookkeeping ------------------------------------------------------------------

namespace {

template <typename Act>
auto WithLedger(const std::string& path, Act act) -> decltype(act(std::declval<TaskListLedger&>())) {
  TaskListLedger ledger(path);
  if (const QString error = ledger.Open(); !error.isEmpty()) {
    if constexpr (std::is_same_v<decltype(act(ledger)), ClaimedTask>) {
      ClaimedTask failed;
      failed.end = ClaimEnd::Error;
      failed.error = error;
      return failed;
    } else {
      return error;
    }
  }
  return act(ledger);
}

}  // namespace

ClaimedTask ClaimTask(const std::string& path, int number, const std::set<QString>& passed) {
  return WithLedger(path, [&](TaskListLedger& l) { return l.Claim(number, passed); });
}

QString RenewTaskClaim(const std::string& path, const QString& id) {
  return WithLedger(path, [&](TaskListLedger& l) { return l.Renew(id); });
}

QString ReleaseTaskClaim(const std::string& path, const QString& id) {
  return WithLedger(path, [&](TaskListLedger& l) { return l.Release(id); });
}

QString RecordTaskOutcome(const std::string& path, const QString& id, const TaskOutcome& outcome) {
  return WithLedger(path, [&](TaskListLedger& l) { return l.Record(id, outcome); });
}

}  // namespace app
