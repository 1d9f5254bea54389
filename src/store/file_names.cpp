#include "store/file_names.h"

#include <QFile>
#include <QStringList>

#include "platform/platform.h"

namespace app {

std::string FileSystemPath(const QString& path) {
  const std::string direct = QFile::encodeName(path).toStdString();
  if (!path.contains(QChar::ReplacementCharacter) || plat::FileExists(direct)) return direct;
  std::string built;
  const QStringList parts = path.split(QLatin1Char('/'));
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) built += '/';
    const QString& part = parts[i];
    std::string bytes = QFile::encodeName(part).toStdString();
    if (part.contains(QChar::ReplacementCharacter) && !plat::FileExists(built + bytes)) {
      for (const std::string& name : plat::FolderEntries(built.empty() ? "." : built)) {
        if (QFile::decodeName(QByteArray::fromStdString(name)) == part) {
          bytes = name;
          break;
        }
      }
    }
    built += bytes;
  }
  return built;
}

}  // namespace app
