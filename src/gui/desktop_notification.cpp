#include "gui/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "batch/task_worker.h"

namespace app {

void BatchOutcome::Count(const std::string& state) {
  if (state == batch::kStateFinished || state == batch::kStateSourceChanged)
    ++finished;
  else if (state != batch::kStateStopped)
    ++failed;
}

QString BatchNotificationBody(const BatchOutcome& outcome) {
  return QString::fromUtf8("批量处理结束：%1 个任务完成，%2 个失败")
      .arg(outcome.finished)
      .arg(outcome.failed);
}

void NotifyBatchEnded(const BatchOutcome& outcome) {
  NotifyBatchEnded(outcome, QDBusConnection::sessionBus());
}

void NotifyBatchEnded(const BatchOutcome& outcome, const QDBusConnection& bus) {
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
  // server's default).
  call << QStringLiteral("flipframe") << uint(0) << QStringLiteral("flipframe") << QStringLiteral("flipframe")
       << BatchNotificationBody(outcome) << QStringList() << QVariantMap() << int(-1);
  // Fire and forget: the reply (or the error when no service runs) is not waited for.
  bus.send(call);
}

}  // namespace app
