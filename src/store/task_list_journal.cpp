#include "store/task_list_journal.h"

#include <QJsonDocument>

#include "platform/platform.h"
#include "store/task_list_format.h"
#include "store/utf8.h"

namespace app {
namespace {

const QString kId = QStringLiteral("id"), kClaim = QStringLiteral("claim"), kSpeed = QStringLiteral("speed"),
              kState = QStringLiteral("state"), kFinal = QStringLiteral("finalOutputPath");

}  // namespace

std::string JournalPath(const std::string& list) {
  const std::string target = plat::LinkTarget(list);
  const size_t slash = target.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name) + "." + target.substr(name) + ".journal";
}

QByteArray JournalLine(const QString& id, const TaskChange& change) {
  QJsonObject o{{kId, id}, {kClaim, ClaimToJson(change.claim)}};
  if (change.outcome) {
    o.insert(kSpeed, change.outcome->speed);
    o.insert(kState, change.outcome->state);
    o.insert(kFinal, BytesToJson(change.outcome->finalOutputPath));
  }
  return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

JournalEntries ParseJournal(const std::string& bytes, size_t* used) {
  JournalEntries entries;
  size_t start = 0;
  for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data() + start, qsizetype(end - start)))
            .object();
    const QString id = o.value(kId).toString();
    if (id.isEmpty() || !o.contains(kClaim)) continue;
    TaskChange change;
    change.claim = ClaimFromJson(o.value(kClaim));
    if (o.contains(kState)) {
      TaskOutcome outcome{o.value(kSpeed).toString(), o.value(kState).toString(), {}};
      if (!BytesFromJson(o.value(kFinal), &outcome.finalOutputPath)) continue;
      change.outcome = outcome;
    }
    entries.emplace_back(id, std::move(change));
  }
  *used = start;
  return entries;
}

void ApplyChange(const TaskChange& change, TaskRow* row) {
  if (change.outcome) {
    row->speed = change.outcome->speed;
    row->state = change.outcome->state;
    row->record.finalOutputPath = change.outcome->finalOutputPath;
  }
  row->claim = change.claim;
}

void ApplyChange(const TaskChange& change, QJsonObject* task) {
  if (change.outcome) {
    task->insert(kSpeed, change.outcome->speed);
    task->insert(kState, change.outcome->state);
    task->insert(kFinal, BytesToJson(change.outcome->finalOutputPath));
  }
  if (change.claim)
    task->insert(kClaim, ClaimToJson(change.claim));
  else
    task->remove(kClaim);
}

}  // namespace app
