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
// that holds `path` is opened with the desktop's default handler instead. `context` owns the
// pending call.
void ShowInFileManager(const QString& path, QObject* context);

// The same on a given bus, with `openFolder` called with the folder when no file manager
// answers there.
void ShowInFileManager(const QString& path, QObject* context, const QDBusConnection& bus,
                       std::function<void(const QString& folder)> openFolder);

}  // namespace app
