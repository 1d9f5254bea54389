// Start-up, the effect presets of de.ini, the close query and pause/resume of the converters.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>

#include "batch/process_control.h"
#include "batch/task_worker.h"
#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/preview_controller.h"
#include "gui/preview_folder.h"
#include "gui/publish_part.h"
#include "gui/ratio_table.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/settings_location.h"
#include "store/targets_file.h"
#include "store/utf8.h"
#include "store/window_settings.h"
#include "ui_main_window.h"

namespace {

const char kPauseCaption[] = "暂停执行";
const char kResumeCaption[] = "继续执行";
const char kForceQuitQuestion[] = "优化尚在运行中，是否强制退出？";

// Waits on the window's thread keep the window responsive.
const batch::WaitFn kResponsiveWait = [](int ms) { gui::ResponsiveWait(ms); };

std::string PickerStartFolder() {
  if (!presets::RunsInstalled(presets::CurrentSettingsPlaceInputs())) return plat::ProgramFolder();
  for (const QString& folder :
       {QStandardPaths::writableLocation(QStandardPaths::MoviesLocation), QDir::homePath()})
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return app::ToUtf8(folder);
  return plat::ProgramFolder();
}

}  // namespace

void MainWindow::OnMainWindowCreated() {
  // 1. Converters of ours left over from an earlier run, and the preview clips of a
  //    flipframe that ended without removing them.
  batch::CleanupStrayConverters(kResponsiveWait);
  app::RemoveDeadPreviewFolders(QDir::tempPath());
  // 2. The crash reporter (main() has installed the full one; a test program gets a report
  //    on standard error).
  plat::InstallCrashReporter();
  // 3. Effect presets.
  editor_->LoadEffectPresets();
  publish_->LoadTargets(presets::LocalTargets());
  batch_->jobs = app::LoadWindowSettings().jobs;
  // 4. Every picker starts in the program's folder; an installed program's folder is a
  //    system one, so it starts in the user's Videos folder (else the home folder) instead.
  const std::string folder = PickerStartFolder();
  for (int kind = kForeground; kind <= kAudio; ++kind) editor_->lastFolder[size_t(kind)] = folder;
  // 5. Working copy of the aspect-ratio table.
  editor_->ratioTable = app::kRatioTable;
  // 6. Rows of the task list are 19 pixels high.
  ui->列表框->verticalHeader()->setMinimumSectionSize(1);
  ui->列表框->verticalHeader()->setDefaultSectionSize(19);
  // 7. Height from which the resize rule measures.
  rememberedHeight_ = kHeight;
  // 8. The GIF preview's place (it stays hidden until a GIF is shown).
  ui->动画预览->move(13, 14);
  // 9. The foreground count box is covered by the path label until a count is offered.
  editor_->HideForegroundCount();
  // 10. No task done of none.
  ui->处理进度->setText(QStringLiteral("0/0"));
  // 11. An empty task list.
  tasks_->taskList->clearTasks();
  tasks_->SetCurrentRow(0);
  // 12. From here on every change of the list is kept on disk; the last session's list stays
  //     on offer in the list's menu (恢复上次的任务列表).
  tasks_->KeepSession();
  tasks_->OfferLastSession();
}

void TaskEditor::LoadEffectPresets() {
  // No settings path (installed, without a home folder): the built-in presets, nothing written.
  const std::string path = presets::SettingsPath();
  const presets::PresetTable table =
      path.empty() ? presets::TableFromLines(presets::BuiltInLines()) : presets::LoadPresets(path);
  QCheckBox* const boxes[presets::kEffects] = {ui->上下跃动, ui->左右跃动, ui->分量色变, ui->迷幻};
  for (int e = 0; e < presets::kEffects; ++e) {
    const presets::Preset& preset = table[size_t(e)];
    const QString caption = QString::fromStdString(preset.caption);
    if (boxes[e]->text() != caption) boxes[e]->setText(caption);
    if (effectFilters[size_t(e)] != preset.filter) effectFilters[size_t(e)] = preset.filter;
  }
}

const std::string& TaskEditor::EffectFilter(int effect) const {
  static const std::string none;
  if (effect < 1 || effect > presets::kEffects) return none;
  return effectFilters[size_t(effect - 1)];
}

bool BatchView::OnMainWindowCloseQuery() {
  if (BatchUnderWay()) {
    if (!dialogs().AskYesNo(&window, QString::fromUtf8(kForceQuitQuestion))) return false;
    // The same stop request a click on 开始执行 makes; the batch loop will not go on.
    runner->RequestStop();
  }
  // A task whose converter has just ended successfully gets its output renamed first.
  batch::WaitForCompletions(kResponsiveWait);
  batch::CleanupStrayConverters(kResponsiveWait);
  previews->ClosePreview();  // the program ends without destructors
  window.exitProgram(0);
  return true;
}

void BatchView::OnPauseClicked() {
  const bool pausing = !resumeCaption;
  // The runner's clock leaves the paused time out of the speed and the time left.
  if (pausing) {
    batch::SuspendConverters(kResponsiveWait);
    runner->Pause();
  } else {
    batch::ResumeConverters(kResponsiveWait);
    runner->Resume();
  }
  resumeCaption = pausing;
  suspended = pausing && BatchUnderWay();
  ui->暂停执行->setText(QString::fromUtf8(pausing ? kResumeCaption : kPauseCaption));
  // Beyond the caption, the running rows and the bar say so.
  tasks->taskList->setPaused(suspended);
  ui->总进度->setFormat(suspended ? QStringLiteral("已暂停 %p%") : QStringLiteral("%p%"));
}
