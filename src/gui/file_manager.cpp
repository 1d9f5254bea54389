#include "gui/file_manager.h"

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

bool OpenFolder(const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

}  // namespace

QString NotShownMessage(const QString& path) {
  return QString::fromUtf8("无法打开文件所在的文件夹，文件路径已复制到剪贴板：\n") + path;
}

void ShowInFileManager(const QString& path, QObject* context,
                       std::function<void(const QString& path)> notShown) {
  ShowInFileManager(path, context, QDBusConnection::sessionBus(), OpenFolder, std::move(notShown));
}

void ShowInFileManager(const QString& path, QObject* context, const QDBusConnection& bus,
                       std::function<bool(const QString& folder)> openFolder,
                       std::function<void(const QString& path)> notShown) {
  if (path.isEmpty()) return;
  const QString folder = QFileInfo(path).absolutePath();
  auto openFolderOrReport = [path, folder, openFolder, notShown] {
    if (!openFolder(folder)) notShown(path);
  };
  if (!bus.isConnected()) {
    openFolderOrReport();
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
  // Asynchronous: the window never waits for the file manager to start.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [openFolderOrReport](QDBusPendingCallWatcher* w) {
                     if (w->isError()) openFolderOrReport();
                     w->deleteLater();
                   });
}

}  // namespace app
