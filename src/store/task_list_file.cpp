#include "store/task_list_file.h"

#include <QUuid>

#include <ctime>
#include <map>
#include <unordered_map>

#include "platform/platform.h"
#include "store/list_access.h"
#include "store/utf8.h"

namespace app {
namespace {

// The first row keeps an id that occurs twice (a list loaded into the window twice); the
// others get fresh ones.
void MakeIdsUnique(std::vector<TaskRow>& rows) {
  std::set<QString> seen;
  for (TaskRow& row : rows)
    while (!seen.insert(row.id).second) row.id = NewTaskId();
}

LoadedTaskList Failure(const QString& message) { return LoadedTaskList{{}, message}; }

// The rows of the list file with its journal applied.
LoadedTaskList ReadWithJournal(const std::string& path, int64_t limit) {
  std::string bytes, journal;
  LoadedTaskList list;
  if (const QString error = ReadListBytes(path, limit, &bytes); !error.isEmpty()) return Failure(error);
  list = ParseTaskList(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), path);
  if (!list.ok() || !plat::ReadFileFrom(JournalPath(path), 0, kJournalReadBytes, &journal)) return list;
  std::unordered_map<QString, size_t> at;
  for (size_t i = 0; i < list.rows.size(); ++i) at.emplace(list.rows[i].id, i);
  size_t used = 0;
  for (const auto& [id, change] : ParseJournal(journal, &used))
    if (const auto found = at.find(id); found != at.end()) ApplyChange(change, &list.rows[found->second]);
  return list;
}

// Writes `rows` over the file `path` names whole or not at all, and folds the journal: its
// lines are in `rows` already. "" or the message. The caller holds the lock.
QString WriteRows(const std::string& path, const std::vector<TaskRow>& rows) {
  const std::string target = plat::LinkTarget(path);
  std::string why;
  if (plat::IsWriteProtected(target)) return ListWriteProtected(path);
  if (!plat::WriteFileAtomically(target, SerializeTaskList(rows).toStdString(), &why))
    return ListWriteFailure(path, why);
  plat::DeleteFile(JournalPath(path));
  return {};
}

// Runs `change` on the list's rows under the list's lock and writes the result back. A
// symbolic link is followed to the file it names. When `replacing`, a file that is no
// readable list is replaced (its rows given as none).
template <typename Change>
QString LockedUpdate(const std::string& path, Change change, bool replacing = false) {
  const ListLock lock(path);
  if (!lock.error().isEmpty()) return lock.error();
  std::vector<TaskRow> rows;
  if (plat::FileExists(plat::LinkTarget(path))) {
    LoadedTaskList list = ReadWithJournal(path, kRunListBytes);
    if (!replacing && !list.ok()) return list.error;
    rows = std::move(list.rows);
  }
  if (const QString error = change(rows); !error.isEmpty()) return error;
  return WriteRows(path, rows);
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

QString NewTaskId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

std::string TaskListLockPath(const std::string& path) {
  const std::string target = plat::LinkTarget(path);
  const size_t slash = target.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name) + "." + target.substr(name) + ".lock";
}

QByteArray SerializeTaskList(const std::vector<TaskRow>& rows) {
  QByteArray text = ListHead();
  for (size_t i = 0; i < rows.size(); ++i) text += ListSeparator(i == 0) + TaskText(RowToJson(rows[i]));
  return text + ListTail();
}

LoadedTaskList ParseTaskList(const QByteArray& bytes, const std::string& path) {
  LoadedTaskList list;
  list.error = ReadListDocument(bytes, path, [&](ListedTask& task) {
    list.rows.push_back(std::move(task.row));
    return true;
  });
  if (!list.ok()) return Failure(list.error);  // a refused list is never half-read
  MakeIdsUnique(list.rows);
  return list;
}

LoadedTaskList LoadTaskList(const std::string& path, int64_t limit) {
  // Without the lock (the list may lie where this process cannot write): a list replaced
  // meanwhile, its journal folded and gone, is read again.
  LoadedTaskList list;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::string before = plat::FileIdentity(plat::LinkTarget(path));
    list = ReadWithJournal(path, limit);
    if (plat::FileIdentity(plat::LinkTarget(path)) == before) break;
  }
  return list;
}

QString SaveTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  // The lock keeps a save from landing between another writer's read and write. The claims
  // of runs converting tasks of the list stay with their tasks: the caller's rows (the
  // window's) never claim anything.
  return LockedUpdate(
      path,
      [&](std::vector<TaskRow>& listed) {
        std::map<QString, TaskClaim> claims;
        for (const TaskRow& row : listed)
          if (row.claim) claims.emplace(row.id, *row.claim);
        listed = rows;
        MakeIdsUnique(listed);
        for (TaskRow& row : listed) {
          const auto held = claims.find(row.id);
          row.claim = held == claims.end() ? std::nullopt : std::optional<TaskClaim>(held->second);
        }
        return QString();
      },
      true);
}

QString ReplaceTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  const ListLock lock(path);
  return lock.error().isEmpty() ? WriteRows(path, rows) : lock.error();
}

QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed) {
    const int count = static_cast<int>(listed.size());
    if (!FitsTaskLimit(count, static_cast<int>(rows.size())))
      return QStringLiteral("任务列表文件“%1”已有%2个任务，再加入%3个将超过上限%4个。")
          .arg(FromUtf8(path), QString::number(count), QString::number(rows.size()),
               QString::number(kMaxTasks));
    listed.insert(listed.end(), rows.begin(), rows.end());
    MakeIdsUnique(listed);
    return QString();
  });
}

TaskClaim OwnClaim() {
  static const std::string started = plat::ProcessStartMark(plat::OwnProcessId());
  return TaskClaim{plat::HostName(), plat::OwnProcessId(), started, Now()};
}

bool IsOwnClaim(const TaskClaim& claim) {
  const TaskClaim own = OwnClaim();
  return claim.host == own.host && claim.pid == own.pid && claim.started == own.started;
}

bool ClaimHolds(const TaskClaim& claim, const std::string& here, int64_t now, int64_t seenSince) {
  if (claim.host == here) {
    const std::string started = plat::ProcessStartMark(static_cast<pid_t>(claim.pid));
    return claim.pid > 0 && !started.empty() && started == claim.started;
  }
  // Another machine's clock may run ahead: its times from the future count from when this
  // machine saw them.
  return now - (claim.renewed <= now ? claim.renewed : seenSince) < kClaimStaleSeconds;
}

}  // namespace app
