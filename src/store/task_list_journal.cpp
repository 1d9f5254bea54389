#include "store/task_list_journal.h"

#include <QJsonDocument>

#include "platform/platform.h"
#include "store/task_list_format.h"
#include "store/utf8.h"

namespace app {
namespace {

const QString kFieldId = QStringLiteral("id"), kFieldClaim = QStringLiteral("claim"),
              kFieldSpeed = QStringLiteral("speed"), kFieldState = QStringLiteral("state"),
              kFieldFinal = QStringLiteral("finalOutputPath");

}  // namespace

std::string JournalPath(const std::string& list) {
  const std::string target = plat::LinkTarget(list);
  const size_t slash = target.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name) + "." + target.substr(name) + ".journal";
}

QByteArray JournalLine(const QString& id, const TaskChange& change) {
  QJsonObject o{{kFieldId, id}, {kFieldClaim, ClaimToJson(change.claim)}};
  if (change.outcome) {
    o.insert(kFieldSpeed, change.outcome->speed);
    o.insert(kFieldState, change.outcome->state);
    o.insert(kFieldFinal, BytesToJson(change.outcome->finalOutputPath));
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
    const QString id = o.value(kFieldId).toString();
    if (id.isEmpty() || !o.contains(kFieldClaim)) continue;
    TaskChange change;
    change.claim = ClaimFromJson(o.value(kFieldClaim));
    if (o.contains(kFieldState)) {
      TaskOutcome outcome{o.value(kFieldSpeed).toString(), o.value(kFieldState).toString(), {}};
      if (!BytesFromJson(o.value(kFieldFinal), &outcome.finalOutputPath)) continue;
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
    task->insert(kFieldSpeed, change.outcome->speed);
    task->insert(kFieldState, change.outcome->state);
    task->insert(kFieldFinal, BytesToJson(change.outcome->finalOutputPath));
  }
  if (change.claim)
    task->insert(kFieldClaim, ClaimToJson(change.claim));
  else
    task->remove(kFieldClaim);
}

}  // namespace app
