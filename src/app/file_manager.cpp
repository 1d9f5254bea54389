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

void OpenFolder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

}  // namespace

void ShowInFileManager(const QString& path, QObject* context) {
  ShowInFileManager(path, context, QDBusConnection::sessionBus(), OpenFolder);
}

void ShowInFileManager(const QString& path, QObject* context, const QDBusConnection& bus,
                       std::function<void(const QString& folder)> openFolder) {
  if (path.isEmpty()) return;
  const QString folder = QFileInfo(path).absolutePath();
  if (!bus.isConnected()) {
    openFolder(folder);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
  // Asynchronous: the window never waits for the file manager to start.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [folder, openFolder](QDBusPendingCallWatcher* w) {
                     if (w->isError()) openFolder(folder);
                     w->deleteLater();
                   });
}

}  // namespace app
