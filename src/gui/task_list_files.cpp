// Task lists on disk from the list's pop-up menu: "保存任务列表…" writes every task of the
// list, "载入任务列表…" appends a saved list's tasks -- all of them or, with a message, none.
#include <QFileInfo>
#include <QLabel>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "pipeline/stored_task.h"
#include "store/file_names.h"
#include "store/task_list_file.h"
#include "ui_main_window.h"

namespace {

const QString kListFilter = QStringLiteral("任务列表（*.json） (*.json)");

}  // namespace

void TaskListController::SaveTaskListFromMenu() {
  std::optional<QString> chosen =
      dialogs().SaveFile(&window, QStringLiteral("保存任务列表"), lastListFolder, kListFilter);
  if (!chosen) return;
  QString path = *chosen;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".json");
  lastListFolder = QFileInfo(path).absolutePath();
  const QString error = app::SaveTaskList(app::FileSystemPath(path), taskList->rows());
  if (!error.isEmpty()) dialogs().ShowError(&window, error);
}

void TaskListController::LoadTaskListFromMenu() {
  const std::optional<QString> path =
      dialogs().OpenFile(&window, QStringLiteral("载入任务列表"), lastListFolder, kListFilter);
  if (!path) return;
  lastListFolder = QFileInfo(*path).absolutePath();
  AppendTaskListFile(*path);
}

bool TaskListController::AppendTaskListFile(const QString& path) {
  const app::LoadedTaskList loaded = app::LoadTaskList(app::FileSystemPath(path));
  if (!loaded.ok()) {
    dialogs().ShowError(&window, loaded.error);
    return false;
  }
  if (!taskList->appendRows(loaded.rows)) {
    dialogs().ShowError(&window, QString::fromUtf8(app::kTaskLimitMessage));
    return false;
  }
  ShowTaskCount();
  // The tasks run the commands built from their fields and this de.ini: say once when that
  // is not what the list carries.
  std::vector<pipeline::StoredCommand> compared;
  for (const app::TaskRow& row : loaded.rows)
    compared.push_back(pipeline::CompareStoredCommand(row.record, editor->effectFilters));
  const std::string notice = pipeline::StoredCommandNotice(app::FileSystemPath(path), compared);
  if (!notice.empty()) dialogs().ShowError(&window, QString::fromStdString(notice));
  return true;
}
