#pragma once
// The program's file dialogs: Qt's own QFileDialog (never the desktop's, which speaks the
// desktop's language), every text of it Chinese and its columns wide enough to read.
//
// Qt's Chinese translation covers the dialog's labels and buttons, but not its list: sizes
// and dates are written with the system locale (the user's LANG, often English or C), Qt
// 6.4's Chinese locale data still says "KiB", and the folder type ("Folder") has no
// translation. The list therefore goes through a proxy that writes those cells itself.
#include <QString>

#include <memory>

class QFileDialog;
class QWidget;

namespace app {

enum class FileDialogMode { OpenOne, OpenMany, Save };

// A file dialog owned by `owner`, not yet shown: `title`, starting in `folder`, with `filter`
// in Qt's form ("" all files). Save asks before replacing a file.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const QString& title, const QString& folder,
                                            const QString& filter, FileDialogMode mode);

// A file size as the list shows it: "512 字节", "4.88 KB", "1.50 GB" (1024-based).
QString FileSizeText(qint64 bytes);

}  // namespace app
