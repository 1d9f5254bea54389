#include "app/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include "platform/platform.h"

namespace app {

std::string FileToShowForTask(const task::TaskRecord& r) {
  const std::string output = task::Unquote(r.finalOutputPath);
  if (plat::FileExists(output) && !plat::IsDirectory(output)) return output;
  return task::Unquote(r.foregroundPath);
}

namespace {

void OpenContainingFolder(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

void ShowInFileManager(const QString& path, QObject* context) {
  if (path.isEmpty()) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    OpenContainingFolder(path);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
  // Asynchronous: the window never waits for the file manager to start.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [path](QDBusPendingCallWatcher* w) {
                     if (w->isError()) OpenContainingFolder(path);
                     w->deleteLater();
                   });
}

}  // namespace app
