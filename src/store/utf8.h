#pragma once
// The program's texts are UTF-8 std::strings; Qt's are QStrings. Every room above the core
// converts between them with these two (paths bound for the file system go through
// FileSystemPath in store/file_names.h instead).
#include <QString>
#include <string>

namespace app {

inline QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }
inline std::string ToUtf8(const QString& s) { return s.toStdString(); }
// Bytes are no text: a QByteArray would otherwise be decoded into a QString on the way.
std::string ToUtf8(const QByteArray&) = delete;

}  // namespace app
