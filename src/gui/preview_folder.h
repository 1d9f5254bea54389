#pragma once
// The temporary folder that holds 试看's clips. Its name carries the owning program's process
// number and start mark (flipframe-preview-PID-TICKS-XXXXXX in the temporary folder), so a
// later start can tell the folders of a flipframe that died without removing them from those
// of one still running.
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace app {

// A new clip folder of this program, removed when the value is destroyed; null when none
// could be made.
std::unique_ptr<QTemporaryDir> NewPreviewFolder(const QString& tempFolder);

// Removes the clip folders in `tempFolder` that belong to this user and to no running
// flipframe. Returns how many were removed.
int RemoveDeadPreviewFolders(const QString& tempFolder);

}  // namespace app
