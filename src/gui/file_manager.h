#pragma once
// Showing a task's result in the desktop's file manager.
#include <QString>

#include <functional>
#include <string>

#include "task/task_record.h"

class QDBusConnection;
class QObject;

namespace app {

// The file a double click on a task row shows: the finished output when that file exists,
// else the task's foreground file. Paths come without quotes; "" when the task has neither.
std::string FileToShowForTask(const task::TaskRecord& r);

// Asks the file manager (D-Bus org.freedesktop.FileManager1.ShowItems) to show `path`
// selected in its folder, without waiting for it. When no file manager answers, the folder
// that holds `path` is opened with the desktop's default handler (QDesktopServices) instead;
// when that fails too, `notShown` is called with `path`. `context` owns the pending call.
void ShowInFileManager(const QString& path, QObject* context,
                       std::function<void(const QString& path)> notShown);

// The same on a given bus, with `openFolder` asked to open the folder when no file manager
// answers there (false: it could not).
void ShowInFileManager(const QString& path, QObject* context, const QDBusConnection& bus,
                       std::function<bool(const QString& folder)> openFolder,
                       std::function<void(const QString& path)> notShown);

// The message shown when a file could be shown neither way; its path is on the clipboard.
QString NotShownMessage(const QString& path);

}  // namespace app
