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
#include <QTableWidget>

#include <array>
#include <mutex>

#include "app/list_cells.h"
#include "app/main_window.h"
#include "platform/platform.h"

namespace {

const QString kAddCaption = QStringLiteral("添加任务");
const QString kSaveCaption = QStringLiteral("保存任务");
const QString kWaitCaption = QStringLiteral("请稍候..");
const QString kLimitMessage = QStringLiteral("加入任务数量上限为1000个。");

using app::CellItem;

QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }

// What a path box shows for a stored source: its path, or a warning when it has vanished.
QString SourceText(const std::string& quoted) {
  const std::string path = task::Unquote(quoted);
  if (plat::FileExists(path)) return FromUtf8(path);
  return QStringLiteral(" 无法读取") + FromUtf8(quoted) + QStringLiteral("，请检查");
}

}  // namespace

void MainWindow::WriteRowCells(int row, const task::TaskRecord& r) {
  for (int c = 0; c < 7; ++c) CellItem(列表框, row, c);
  列表框->item(row, 1)->setText(FromUtf8(task::Unquote(r.foregroundPath)));
  列表框->item(row, 2)->setText(QStringLiteral("%1x%2").arg(r.outputWidth).arg(r.outputHeight));
  列表框->item(row, 3)->setText(FromUtf8(r.bitrate));
  列表框->item(row, 4)->setText(FromUtf8(r.outputFormat));
}

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

  const auto ticks = TickBoxes();
  for (int t = task::kTickForegroundSound; t < task::kTickCount; ++t) ticks[t]->setChecked(r.ticks[t] != 0);

  // 自动码率 and 码率框 come last in the record's order, and so are set last.
  const auto switchable = SwitchableControls();
  for (int d = 0; d < task::kOffCount; ++d)
    if (d != task::kOffAutoBitrate && d != task::kOffBitrateBox)
      switchable[d]->setEnabled(r.disabled[d] == 0);
  自动码率->setEnabled(r.disabled[task::kOffAutoBitrate] == 0);
  码率框->setEnabled(r.disabled[task::kOffBitrateBox] == 0);
}

void MainWindow::LoadTaskForEdit() {
  const int s = SelectedRow();
  if (s >= 0) currentRow = s + 1;
  if (currentRow < 1 || currentRow > static_cast<int>(tasks.size())) return;
  current = tasks[currentRow - 1];
  ShowTask(current);
  // A task being converted can be looked at, not saved; nor can any task while a batch runs.
  const QTableWidgetItem* state = 列表框->item(currentRow - 1, 6);
  const QString text = state ? state->text() : QString();
  const bool converting = text == QStringLiteral("准备数据") || text.endsWith(QStringLiteral("％"));
  保存任务->setEnabled(!converting && !running && !batchActive);
  保存任务->setText(kSaveCaption);
}

void MainWindow::CloneTask() {
  if (列表框->rowCount() >= kMaxTasks) {
    dialogs().ShowError(this, kLimitMessage);
    return;
  }
  const int s = SelectedRow();
  if (s < 0 || s >= static_cast<int>(tasks.size())) return;
  task::TaskRecord copy = tasks[s];
  copy.finalOutputPath.clear();
  tasks.insert(tasks.begin() + s + 1, std::move(copy));

  列表框->insertRow(s + 1);
  for (int c = 0; c < 7; ++c) CellItem(列表框, s + 1, c);
  for (int c = 1; c < 5; ++c) 列表框->item(s + 1, c)->setText(列表框->item(s, c)->text());
  RenumberRows(0);
  列表框->scrollToItem(列表框->item(s + 1, 0));
  处理进度->setText(QStringLiteral("0/%1").arg(列表框->rowCount()));
  if (currentRow > s + 1) ++currentRow;  // the task being modified moved one place down
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
  if (running || batchActive || trialRunning) return;
  const bool addMode = 保存任务->text() == kAddCaption;
  if (addMode && 列表框->rowCount() >= kMaxTasks) {
    dialogs().ShowError(this, kLimitMessage);
    return;
  }
  if (!addMode && (currentRow < 1 || currentRow > static_cast<int>(tasks.size()))) return;
  if (!ValidateTask()) return;

  for (QFrame* panel : {操作框, 路径框, 按钮框}) panel->setEnabled(false);
  auto trialAccepted = [this] {
    std::lock_guard<std::mutex> lock(errorMutex);
    return sharedErrorText.empty();
  };

  if (!addMode) {
    const std::string trial = BuildCommandFor(current, true);
    trialCommandText = trial;
    const int index = currentRow - 1;
    // The trial command does not carry the output duration, so that is compared apart: the
    // duration the box stands for, read by the same rule that stores it (a box showing the
    // first eight characters of a stored full length still means that full length).
    task::TaskRecord asShown = tasks[index];
    ReadTaskFromControls(asShown);
    const bool changed =
        tasks[index].trialCommand != trial || tasks[index].outputDuration != asShown.outputDuration;
    if (changed && !trial.empty()) {
      保存任务->setText(kWaitCaption);
      RunTrial();
      if (trialAccepted()) {
        ReadTaskFromControls(current);
        current.trialCommand = trial;
        tasks[index] = current;
        task::TaskRecord& stored = tasks[index];
        stored.commandLine = BuildCommandFor(stored, false);
        WriteRowCells(index, stored);
        列表框->item(index, 5)->setText(QString());
        列表框->item(index, 6)->setText(QString());
        stored.finalOutputPath.clear();  // the changed task runs again in the next batch
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
      const int row = 列表框->rowCount();
      列表框->insertRow(row);
      CellItem(列表框, row, 0)->setText(QString::number(row + 1));
      tasks.push_back(current);
      currentRow = row + 1;
      task::TaskRecord& stored = tasks.back();
      ReadTaskFromControls(stored);
      stored.commandLine = BuildCommandFor(stored, false);
      WriteRowCells(row, stored);
      处理进度->setText(QStringLiteral("0/%1").arg(列表框->rowCount()));
      NewTask();
    }
    保存任务->setText(kAddCaption);
  }

  trialCommandText.clear();
  {
    std::lock_guard<std::mutex> lock(errorMutex);
    sharedErrorText.clear();
  }
  for (QFrame* panel : {操作框, 路径框, 按钮框}) panel->setEnabled(true);
}
