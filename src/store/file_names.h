#pragma once
// Paths between Qt's texts and the file system's bytes. A name that is not UTF-8 (a GBK name
// copied from Windows) reaches a QString with U+FFFD in place of its bytes; the bytes are
// found again in the folder, so the converter is given the file that was picked.
#include <QString>
#include <string>

namespace app {

// The file system's bytes of `path` (QFile::encodeName); a part that does not exist as
// encoded is matched against the names in its folder as the dialog showed them.
std::string FileSystemPath(const QString& path);

}  // namespace app
