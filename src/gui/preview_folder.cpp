#include "gui/preview_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <unistd.h>

#include "platform/platform.h"

namespace app {
namespace {

constexpr const char* kPrefix = "flipframe-preview-";

// The part of a process's start mark ("BOOTID:TICKS") a folder name carries.
QString StartTicks(pid_t pid) {
  const QString mark = QString::fromStdString(plat::ProcessStartMark(pid));
  return mark.mid(mark.lastIndexOf(':') + 1);
}

}  // namespace

std::unique_ptr<QTemporaryDir> NewPreviewFolder(const QString& tempFolder) {
  const pid_t self = plat::OwnProcessId();
  auto folder = std::make_unique<QTemporaryDir>(
      QDir(tempFolder).filePath(QString("%1%2-%3-XXXXXX").arg(kPrefix).arg(self).arg(StartTicks(self))));
  return folder->isValid() ? std::move(folder) : nullptr;
}

int RemoveDeadPreviewFolders(const QString& tempFolder) {
  static const QRegularExpression name(QString("^%1(\\d+)-(\\d+)-\\w{6}$").arg(kPrefix));
  int removed = 0;
  const QFileInfoList entries =
      QDir(tempFolder)
          .entryInfoList({QString(kPrefix) + "*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QFileInfo& entry : entries) {
    const QRegularExpressionMatch m = name.match(entry.fileName());
    if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != getuid()) continue;
    const auto pid = static_cast<pid_t>(m.captured(1).toLongLong());
    if (pid > 0 && StartTicks(pid) == m.captured(2)) continue;  // its program still runs
    if (QDir(entry.filePath()).removeRecursively()) ++removed;
  }
  return removed;
}

}  // namespace app
