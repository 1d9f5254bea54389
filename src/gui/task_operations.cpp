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

#include "gui/main_window.h"
#include "platform/platform.h"

namespace {

const QString kAddCaption = QStringLiteral("添加任务");
const QString kSaveCaption = QStringLiteral("保存任务");
const QString kWaitCaption = QStringLiteral("请稍候..");
const QString kLimitMessage = QString::fromUtf8(app::kTaskLimitMessage);

QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }

// What a path box shows for a stored source: its path, or a warning when it has vanished.
QString SourceText(const std::string& quoted) {
  const std::string path = task::Unquote(quoted);
  if (plat::FileExists(path)) return FromUtf8(path);
  return QStringLiteral(" 无法读取") + FromUtf8(quoted) + QStringLiteral("，请检查");
}

}  // namespace

void MainWindow::ShowTask(const task::TaskRecord& r) {
  前景框->setText(SourceText(r.foregroundPath));
  背景框->setText(r.backgroundPath != r.foregroundPath ? SourceText(r.backgroundPath)
                                                       : QString::fromUtf8(kBackgroundPlaceholder));
  // A task without an animation or audio file empties its box, so that a file shown for an
  // earlier task cannot slip into this one when it is saved.
  动画框->setText(r.animationPath.empty() ? QString() : SourceText(r.animationPath));
  音乐框->setText(r.audioPath.empty() ? QString() : SourceText(r.audioPath));

  宽度框->setText(QString::number(r.outputWidth));
  高度框->setText(QString::number(r.outputHeight));
  // The box holds hours:minutes:seconds; a stored full length (00:00:58.37) shows its first
  // eight characters, which read back as that same full length.
  时长框->setText(FromUtf8(r.outputDuration.substr(0, 8)));
  格式框->setText(FromUtf8(r.outputFormat));
  自动码率->setChecked(r.ticked(task::kTickAutoBitrate));
  码率框->setText(FromUtf8(r.bitrate));

  storedCount = UpdateForegroundCount(r.outputWidth, r.outputHeight);
  前景计数->setCurrentIndex(r.selectedForegroundCount);
  宽高比例->setCurrentIndex(r.ratioIndex);
  动画滤镜->setCurrentIndex(r.blendModeIndex);
  背景模糊->setValue(r.backgroundBlur);
  动画模糊->setValue(r.animationBlur);
  动画透明->setValue(r.animationOpacity);

  const auto switches = SwitchControls();
  for (const SwitchControl& c : switches)
    if (QCheckBox* box = c.box(); box && c.tick != task::kTickAutoBitrate)
      box->setChecked(r.ticks[c.tick] != 0);

  // 自动码率 and 码率框 come last in the record's order, and so are set last.
  for (const SwitchControl& c : switches)
    if (c.off != task::kOffAutoBitrate && c.off != task::kOffBitrateBox)
      c.control->setEnabled(r.disabled[c.off] == 0);
  自动码率->setEnabled(r.disabled[task::kOffAutoBitrate] == 0);
  码率框->setEnabled(r.disabled[task::kOffBitrateBox] == 0);
  快速背景->setChecked(r.fastBackground);
}

void MainWindow::LoadTaskForEdit() {
  const int s = SelectedRow();
  if (s >= 0) SetCurrentRow(s + 1);
  const int row = CurrentRow();
  if (row < 1) return;
  current = taskList->task(row - 1);
  ShowTask(current);
  // A task being converted can be looked at, not saved; nor can any task while a batch runs.
  const bool converting = app::IsRunningState(taskList->state(row - 1));
  保存任务->setEnabled(!converting && !BatchUnderWay());
  保存任务->setText(kSaveCaption);
}

void MainWindow::CloneTask() {
  if (taskList->full()) {
    dialogs().ShowError(this, kLimitMessage);
    return;
  }
  const int s = SelectedRow();
  if (s < 0 || !taskList->insertCloneAfter(s)) return;
  列表框->scrollTo(taskList->index(s + 1, 0));
  ShowTaskCount();
}

void MainWindow::NewTask() {
  for (QLabel* box : {前景框, 动画框, 音乐框}) box->clear();
  for (QLineEdit* box : {宽度框, 高度框, 时长框, 格式框, 码率框}) box->clear();
  背景框->setText(QString::fromUtf8(kBackgroundPlaceholder));

  动画滤镜->setCurrentIndex(0);
  lastComputedCount = 0;
  动画模糊->setValue(5);
  背景模糊->setValue(5);
  动画透明->setValue(4);

  for (QCheckBox* box : {前景音, 背景音, 音乐, 音频淡入, 音频淡出, 上下跃动, 左右跃动, 迷幻, 分量色变, 降噪,
                         柔化, 前景镜像, 视频淡入, 视频淡出, 重帧优化})
    box->setChecked(false);
  自动码率->setChecked(true);
  静音->setChecked(true);

  for (QWidget* w :
       std::initializer_list<QWidget*>{动画滤镜, 背景模糊, 动画模糊, 动画透明, 码率框,   前景音,   背景音,
                                       音乐,     音频淡入, 音频淡出, 上下跃动, 左右跃动, 迷幻,     分量色变,
                                       降噪,     柔化,     前景镜像, 视频淡入, 视频淡出, 重帧优化, 操作框})
    w->setEnabled(false);

  // A new task starts from a clean record: media info of the previous task's sources
  // (a background's duration, an animation's size) must not carry over into it.
  current = task::TaskRecord{};
  ReadTaskFromControls(current);

  列表框->clearSelection();
  前景计数->setCurrentIndex(-1);
  宽高比例->setCurrentIndex(-1);
  前景计数->clear();

  保存任务->setText(kAddCaption);
  保存任务->setEnabled(true);
  HideForegroundCount();
}

void MainWindow::AddOrSaveTask() {
  if (BatchOrTrialUnderWay()) return;
  const bool addMode = 保存任务->text() == kAddCaption;
  if (addMode && taskList->full()) {
    dialogs().ShowError(this, kLimitMessage);
    return;
  }
  if (!addMode && CurrentRow() < 1) return;
  if (!ValidateTask()) return;

  for (QFrame* panel : {操作框, 路径框, 按钮框}) panel->setEnabled(false);
  auto trialAccepted = [this] { return trialError.empty(); };

  if (!addMode) {
    const std::string trial = BuildCommandFor(current, true);
    trialCommandText = trial;
    const int index = CurrentRow() - 1;
    const task::TaskRecord& storedNow = taskList->task(index);
    // The trial command does not carry the output duration, so that is compared apart: the
    // duration the box stands for, read by the same rule that stores it (a box showing the
    // first eight characters of a stored full length still means that full length).
    task::TaskRecord asShown = storedNow;
    ReadTaskFromControls(asShown);
    const bool changed =
        storedNow.trialCommand != trial || storedNow.outputDuration != asShown.outputDuration;
    if (changed && !trial.empty()) {
      保存任务->setText(kWaitCaption);
      RunTrial();
      if (trialAccepted()) {
        ReadTaskFromControls(current);
        current.trialCommand = trial;
        task::TaskRecord stored = current;
        stored.commandLine = BuildCommandFor(stored, false);
        task::StampSources(stored);
        // Speed, state and final output path are emptied: the changed task runs again.
        taskList->replaceTask(index, stored);
      }
      保存任务->setText(kSaveCaption);
    }
  } else {
    保存任务->setText(kWaitCaption);
    const std::string trial = BuildCommandFor(current, true);
    trialCommandText = trial;
    if (!trial.empty()) RunTrial();
    if (!trial.empty() && trialAccepted()) {
      current.trialCommand = trial;
      task::TaskRecord stored = current;
      ReadTaskFromControls(stored);
      stored.commandLine = BuildCommandFor(stored, false);
      task::StampSources(stored);
      taskList->append(stored);
      SetCurrentRow(taskList->size());
      ShowTaskCount();
      NewTask();
    }
    保存任务->setText(kAddCaption);
  }

  trialCommandText.clear();
  trialError.clear();
  for (QFrame* panel : {操作框, 路径框, 按钮框}) panel->setEnabled(true);
}
