// Moving settings between the controls, the current task record and the stored tasks:
// add (after a successful trial run), save a modified task, load a task back for
// modification, clone, and reset the controls for a new task.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableView>

#include <array>
#include <mutex>
#include <optional>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/session_keeper.h"
#include "gui/status_note.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "pipeline/make_task.h"
#include "pipeline/publish.h"
#include "platform/platform.h"
#include "store/utf8.h"
#include "task/encoder_preset.h"
#include "ui_main_window.h"

namespace {

const QString kAddCaption = QStringLiteral("添加任务");
const QString kSaveCaption = QStringLiteral("保存任务");
const QString kWaitCaption = QStringLiteral("请稍候..");
const QString kLimitMessage = QString::fromUtf8(app::kTaskLimitMessage);

using app::FromUtf8;

// What a path box shows for a stored source: its path, or a warning when it has vanished.
QString SourceText(const std::string& quoted) {
  const std::string path = task::Unquote(quoted);
  if (plat::FileExists(path)) return FromUtf8(path);
  return QStringLiteral(" 无法读取") + FromUtf8(quoted) + QStringLiteral("，请检查");
}

}  // namespace

void TaskEditor::ShowTask(const task::TaskRecord& r) {
  ui->前景框->setText(SourceText(r.foregroundPath));
  ui->背景框->setText(r.backgroundPath != r.foregroundPath
                          ? SourceText(r.backgroundPath)
                          : QString::fromUtf8(pipeline::kBackgroundPlaceholder));
  // A task without an animation or audio file empties its box, so that a file shown for an
  // earlier task cannot slip into this one when it is saved.
  ui->动画框->setText(r.animationPath.empty() ? QString() : SourceText(r.animationPath));
  ui->音乐框->setText(r.audioPath.empty() ? QString() : SourceText(r.audioPath));

  ui->宽度框->setText(QString::number(r.outputWidth));
  ui->高度框->setText(QString::number(r.outputHeight));
  // The box holds hours:minutes:seconds; a stored full length (00:00:58.37) shows its first
  // eight characters, which read back as that same full length.
  ui->时长框->setText(FromUtf8(r.outputDuration.substr(0, 8)));
  ui->格式框->setText(FromUtf8(r.outputFormat));
  ui->自动码率->setChecked(r.ticked(task::kTickAutoBitrate));
  ui->码率框->setText(FromUtf8(r.bitrate));

  storedCount = UpdateForegroundCount(r.outputWidth, r.outputHeight);
  ui->前景计数->setCurrentIndex(r.selectedForegroundCount);
  ui->宽高比例->setCurrentIndex(r.ratioIndex);
  ui->动画滤镜->setCurrentIndex(r.blendModeIndex);
  ui->背景模糊->setValue(r.backgroundBlur);
  ui->动画模糊->setValue(r.animationBlur);
  ui->动画透明->setValue(r.animationOpacity);

  const auto switches = SwitchControls();
  for (const SwitchControl& c : switches)
    if (QCheckBox* box = c.box(); box && c.tick != task::kTickAutoBitrate)
      box->setChecked(r.ticks[c.tick] != 0);

  // 自动码率 and 码率框 come last in the record's order, and so are set last.
  for (const SwitchControl& c : switches)
    if (c.off != task::kOffAutoBitrate && c.off != task::kOffBitrateBox)
      c.control->setEnabled(r.disabled[c.off] == 0);
  ui->自动码率->setEnabled(r.disabled[task::kOffAutoBitrate] == 0);
  ui->码率框->setEnabled(r.disabled[task::kOffBitrateBox] == 0);
  ui->快速背景->setChecked(r.fastBackground);
  ui->画面->setCurrentIndex(static_cast<int>(r.layout.kind));
  ui->编码速度->setCurrentIndex(task::EncoderPresetItem(r.encoderPreset));
  // What the task was made for is saved again with it unless changed in 发布设置.
  chosenTarget = pipeline::TargetOf(r);
  moreTargets = pipeline::MoreTargetsOf(r);
  bandTemplate = r.bandTexts;
  chosenLogo = r.logo;
  emit publishShown(r.target, r.moreOutputs, r.bandTexts, r.logo);
}

void TaskEditor::SetEditingStored(bool stored) {
  editingStored = stored;
  ui->保存任务->setText(stored ? kSaveCaption : kAddCaption);
}

void TaskEditor::LoadTaskForEdit() {
  const int s = tasks->SelectedRow();
  if (s >= 0) tasks->SetCurrentRow(s + 1);
  const int row = tasks->CurrentRow();
  if (row < 1) return;
  current = tasks->taskList->task(row - 1);
  ShowTask(current);
  if (!batch->BatchUnderWay())
    ui->处理时间->setText(FromUtf8(current.foregroundDuration));  // the clock's while a batch runs
  // A task being converted can be looked at, not saved; nor can any task while a batch runs.
  const bool converting = app::IsRunningState(tasks->taskList->state(row - 1));
  ui->保存任务->setEnabled(!converting && !batch->BatchUnderWay());
  SetEditingStored(true);
}

void TaskListController::CloneTask() {
  if (taskList->full()) {
    dialogs().ShowError(&window, kLimitMessage);
    return;
  }
  const int s = SelectedRow();
  if (s < 0 || !taskList->insertCloneAfter(s)) return;
  ui->列表框->scrollTo(taskList->index(s + 1, 0));
  ShowTaskCount();
}

void TaskEditor::NewTask() {
  for (QLabel* box : {ui->前景框, ui->动画框, ui->音乐框}) box->clear();
  if (!batch->BatchUnderWay()) ui->处理时间->clear();  // no clip yet; the clock's while a batch runs
  for (QLineEdit* box : {ui->宽度框, ui->高度框, ui->时长框, ui->格式框, ui->码率框}) box->clear();
  ui->背景框->setText(QString::fromUtf8(pipeline::kBackgroundPlaceholder));

  ui->动画滤镜->setCurrentIndex(0);
  lastComputedCount = 0;
  ui->动画模糊->setValue(5);
  ui->背景模糊->setValue(5);
  ui->动画透明->setValue(4);

  for (QCheckBox* box :
       {ui->前景音, ui->背景音, ui->音乐, ui->音频淡入, ui->音频淡出, ui->上下跃动, ui->左右跃动, ui->迷幻,
        ui->分量色变, ui->降噪, ui->柔化, ui->前景镜像, ui->视频淡入, ui->视频淡出, ui->重帧优化})
    box->setChecked(false);
  ui->自动码率->setChecked(true);
  ui->静音->setChecked(true);

  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->动画滤镜, ui->背景模糊, ui->动画模糊, ui->动画透明, ui->码率框,   ui->前景音,   ui->背景音,
           ui->音乐,     ui->音频淡入, ui->音频淡出, ui->上下跃动, ui->左右跃动, ui->迷幻,     ui->分量色变,
           ui->降噪,     ui->柔化,     ui->前景镜像, ui->视频淡入, ui->视频淡出, ui->重帧优化, ui->操作框})
    w->setEnabled(false);

  // A new task starts from a clean record: media info of the previous task's sources
  // (a background's duration, an animation's size) must not carry over into it.
  current = task::TaskRecord{};
  ReadTaskFromControls(current);

  ui->列表框->clearSelection();
  ui->前景计数->setCurrentIndex(-1);
  ui->宽高比例->setCurrentIndex(-1);
  ui->前景计数->clear();

  SetEditingStored(false);
  ui->保存任务->setEnabled(true);
  HideForegroundCount();
}

namespace {

// The window's trial: its own runner, a refusal shown and copied (BatchView::RunTrial).
struct WindowTrial : pipeline::TrialRunner {
  explicit WindowTrial(BatchView& b) : batch(b) {}
  std::string RunTrial(const std::string& arguments) override {
    batch.trialCommandText = arguments;
    batch.RunTrial();
    return batch.trialError;
  }
  BatchView& batch;
};

}  // namespace

// 保存任务: the end of making a task as the command line makes one (pipeline::FinishTask), on
// the task being prepared. A modified task whose command and length are unchanged is neither
// tried nor stored again; a stored task keeps its place, a new one is appended.
void TaskEditor::AddOrSaveTask() {
  if (batch->BatchOrTrialUnderWay()) return;
  const bool addMode = !editingStored;
  if (addMode && tasks->taskList->full()) {
    dialogs().ShowError(&window, kLimitMessage);
    return;
  }
  if (!addMode && tasks->CurrentRow() < 1) return;
  const int index = tasks->CurrentRow() - 1;
  if (task::Unquote(current.foregroundPath).empty()) {
    dialogs().ShowError(&window, QString::fromUtf8(kNoForegroundMessage));
    return;
  }

  std::array<std::string, 4> filters;
  for (int e = 1; e <= 4; ++e) filters[size_t(e - 1)] = EffectFilter(e);
  pipeline::SettingsArea area = ReadSettingsArea();
  AskOverLimit(area);
  std::optional<task::TaskRecord> settingsOnly;
  auto proceed = [&](const std::string& trial) {
    for (QFrame* panel : {ui->操作框, ui->路径框, ui->按钮框}) panel->setEnabled(false);
    if (!addMode) {
      // The trial command does not carry the output duration, so that is compared apart: the
      // duration the box stands for, read by the same rule that stores it (a box showing the
      // first eight characters of a stored full length still means that full length).
      const task::TaskRecord& storedNow = tasks->taskList->task(index);
      pipeline::SettingsArea shown = area;
      task::TaskRecord asShown = storedNow;
      pipeline::ReadTask(shown, asShown);
      if (storedNow.trialCommand == trial && storedNow.outputDuration == asShown.outputDuration) {
        // The same command, so no trial and no new run; but a switch the command does not use
        // (前景镜像 at the suggested size of a portrait output) is still the user's setting.
        if (asShown != storedNow) settingsOnly = asShown;
        return false;
      }
    }
    ui->保存任务->setText(kWaitCaption);
    return true;
  };
  WindowTrial trial(*batch);
  const pipeline::MadeTask made = pipeline::FinishTask(area, current, filters, trial, proceed);
  ShowSettingsArea(area);  // corrections stay in the boxes whatever the outcome
  if (made.step == pipeline::TaskStep::Validation) {
    dialogs().ShowError(&window, FromUtf8(made.refusal));
    return;
  }
  if (made.ok && addMode) {
    tasks->taskList->append(made.task);
    if (tasks->session) tasks->session->WriteNow();
    tasks->SetCurrentRow(tasks->taskList->size());
    tasks->ShowTaskCount();
    NewTask();
  } else if (made.ok) {
    // Speed, state and final output path are emptied: the changed task runs again.
    tasks->taskList->replaceTask(index, made.task);
    if (tasks->session) tasks->session->WriteNow();  // a kill right after loses nothing
  }
  if (settingsOnly && made.step == pipeline::TaskStep::Unchanged) {
    tasks->taskList->updateSettings(index, *settingsOnly);
    if (tasks->session) tasks->session->WriteNow();
  }
  if (!addMode && (made.ok || made.step == pipeline::TaskStep::Unchanged)) {
    // Which row took the save, and that it did (or that nothing had changed).
    ui->列表框->selectRow(index);
    const QString n = QString::number(index + 1);
    batch->note->Show(made.ok ? QStringLiteral("已保存第%1个任务（将重新执行）").arg(n)
                      : settingsOnly ? QStringLiteral("已保存第%1个任务（转换命令不变，状态保留）").arg(n)
                                     : QStringLiteral("第%1个任务没有改动，无需保存").arg(n));
  }
  SetEditingStored(!addMode);
  batch->trialCommandText.clear();
  batch->trialError.clear();
  for (QFrame* panel : {ui->操作框, ui->路径框, ui->按钮框}) panel->setEnabled(true);
}
