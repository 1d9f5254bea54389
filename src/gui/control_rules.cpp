// What the controls do when the user works them: the size boxes and the ratio list, the
// foreground-count list, bitrate, the audio rule, the clear buttons, source information and
// the GIF preview, the label shortcuts, the elapsed-time clock, the file manager and the
// notice label.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QSlider>
#include <QTableView>
#include <QUrl>

#include <cmath>
#include <limits>

#include "gui/batch_view.h"
#include "gui/file_manager.h"
#include "gui/main_window.h"
#include "gui/ratio_table.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "platform/platform.h"
#include "store/utf8.h"
#include "task/control_rules.h"
#include "text/bytes.h"
#include "text/numbers.h"
#include "ui_main_window.h"

#ifndef FLIPFRAME_HOME_PAGE
#define FLIPFRAME_HOME_PAGE ""
#endif

namespace {

// The active size box and its border are light blue; the other pair is white.
const QColor kActiveBoxColour(208, 232, 255);
const QColor kPlainBoxColour(255, 255, 255);

void Colour(QWidget* w, QPalette::ColorRole role, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(role, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void ColourBox(QLineEdit* box, QFrame* border, const QColor& c) {
  Colour(box, QPalette::Base, c);
  Colour(border, QPalette::Window, c);
}

using app::FromUtf8;

}  // namespace

// ---- size boxes and ratio -------------------------------------------------------------

void TaskEditor::ActivateWidthBox() {
  activeSizeBox_ = task::ActiveBox::Width;
  ColourBox(ui->宽度框, ui->宽度框b, kActiveBoxColour);
  ColourBox(ui->高度框, ui->高度框b, kPlainBoxColour);
  ui->宽度框->setFocus();
}

void TaskEditor::ActivateHeightBox() {
  activeSizeBox_ = task::ActiveBox::Height;
  ColourBox(ui->高度框, ui->高度框b, kActiveBoxColour);
  ColourBox(ui->宽度框, ui->宽度框b, kPlainBoxColour);
  ui->高度框->setFocus();
}

bool TaskEditor::WidthBoxActive() const { return activeSizeBox_ == task::ActiveBox::Width; }

task::ActiveBox TaskEditor::ActiveSizeBox() const { return activeSizeBox_; }

int TaskEditor::RatioDimension(int v) const {
  return task::RatioDimension(ui->宽高比例->currentIndex(), ActiveSizeBox(), v, ratioTable);
}

void TaskEditor::OnRatioSelected(int index) {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::SelectRatio(a, current, index);
  ShowSettingsArea(a);
}

void TaskEditor::OnRatioCalculate() {
  pipeline::SettingsArea a = ReadSettingsArea();
  const std::string message = pipeline::CalculateRatio(a, current);
  ShowSettingsArea(a);
  if (!message.empty()) dialogs().ShowError(&window, FromUtf8(message));
}

// ---- foreground count -----------------------------------------------------------------

int TaskEditor::UpdateForegroundCount(int width, int height) {
  // How many copies of the foreground, scaled to the output height, fit across the width.
  task::CountList list = ReadCountList();
  const int n = list.Update(current.foregroundWidth, current.foregroundHeight, width, height);
  if (!(list == ReadCountList())) ShowCountList(list);
  return n;
}

task::CountList TaskEditor::ReadCountList() const {
  task::CountList list;
  list.lastComputed = lastComputedCount;
  list.items = ui->前景计数->count();
  list.selected = ui->前景计数->currentIndex();
  list.visible = list.items > 0;
  return list;
}

void TaskEditor::ShowCountList(const task::CountList& list) {
  if (!list.visible) {
    HideForegroundCount();
    return;
  }
  lastComputedCount = list.lastComputed;
  ui->前景框->resize(270, ui->前景框->height());
  ui->前景框b->resize(276, ui->前景框b->height());
  ui->前景计数->raise();
  ui->前景计数->setEnabled(true);
  if (ui->前景计数->count() != list.items) {
    ui->前景计数->clear();
    for (int i = 1; i <= list.items; ++i) ui->前景计数->addItem(QString::number(i), i);
  }
  if (ui->前景计数->currentIndex() != list.selected) ui->前景计数->setCurrentIndex(list.selected);
}

void TaskEditor::HideForegroundCount() {
  ui->前景框->resize(312, ui->前景框->height());
  ui->前景框b->resize(318, ui->前景框b->height());
  ui->前景框b->raise();  // the widened path box covers the count list
  ui->前景计数->clear();
  lastComputedCount = 0;
}

// ---- bitrate and audio ----------------------------------------------------------------

void TaskEditor::OnAutoBitrateClicked() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClickAutoBitrate(a, current, ui->自动码率->isChecked());
  ShowSettingsArea(a);
}

void TaskEditor::ApplyAudioRule() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ApplyAudioRule(a);
  ShowSettingsArea(a);
}

void TaskEditor::OnMuteClicked() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClickMute(a);
  ShowSettingsArea(a);
}

// ---- clearing a source ----------------------------------------------------------------

void TaskEditor::ClearBackground() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearBackground(a, current);
  ShowSettingsArea(a);
}

void TaskEditor::ClearAnimation() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearAnimation(a, current);
  ShowSettingsArea(a);
}

void TaskEditor::ClearAudio() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearAudio(a, current);
  ShowSettingsArea(a);
}

// ---- source information and GIF preview -----------------------------------------------

void TaskEditor::ShowSourceInfo(SourceKind kind) {
  if (kind == kAudio) {
    ui->处理时间->setText(FromUtf8(current.audioDuration));
    ui->处理进度->clear();
    return;
  }
  const task::TaskRecord& r = current;
  int w = 0, h = 0, code = 0;
  std::string path, duration;
  QLabel* pathBox = nullptr;
  switch (kind) {
    case kForeground:
      w = r.foregroundWidth, h = r.foregroundHeight, code = r.foregroundKind;
      path = r.foregroundPath, duration = r.foregroundDuration, pathBox = ui->前景框;
      break;
    case kBackground:
      w = r.backgroundWidth, h = r.backgroundHeight, code = r.backgroundKind;
      path = r.backgroundPath, duration = r.backgroundDuration, pathBox = ui->背景框;
      break;
    default:
      w = r.animationWidth, h = r.animationHeight, code = r.animationKind;
      path = r.animationPath, duration = r.animationDuration, pathBox = ui->动画框;
      break;
  }
  ui->处理进度->setText(w > 0 && h > 0 ? QString::number(w) + ":" + QString::number(h) : QString());
  ui->处理时间->setText(FromUtf8(duration));
  if (code == task::kKindGif) {
    const QString file = path.empty() ? pathBox->text() : FromUtf8(task::Unquote(path));
    ShowGifPreview(file, w, h);
  }
}

void TaskEditor::ShowGifPreview(const QString& path, int width, int height) {
  if (width <= 0 || height <= 0) return;  // nothing known about the picture
  // 152 pixels wide, or 310 high when that would be taller; the bottom edge stays at y 324.
  long long ph = static_cast<long long>(height) * 152 / width, pw = 152;
  if (ph >= 311) {
    ph = 310;
    pw = static_cast<long long>(width) * 310 / height;
  }
  if (pw < 1) pw = 1;
  if (ph < 1) ph = 1;
  const int top = 324 - static_cast<int>(ph);
  ui->动画预览->setGeometry(13, top, static_cast<int>(pw), static_cast<int>(ph));
  ui->关闭->move(static_cast<int>(pw) - 2, top + 2);

  if (previewMovie) {
    ui->动画预览->setMovie(nullptr);
    previewMovie->stop();
    previewMovie->deleteLater();
    previewMovie = nullptr;
  }
  // A file that cannot be read shows an empty picture; nothing is reported.
  previewMovie = new QMovie(path, QByteArray(), this);
  ui->动画预览->setMovie(previewMovie);
  previewMovie->start();
  ui->动画预览->show();
  ui->动画预览->raise();
  ui->关闭->show();
  ui->关闭->raise();
}

void TaskEditor::HidePreview() {
  ui->动画预览->hide();
  ui->关闭->hide();
  if (previewMovie) previewMovie->stop();
}

// ---- label shortcuts ------------------------------------------------------------------

void TaskEditor::RestoreDefault(QLabel* titleLabel) {
  if (titleLabel == ui->宽度标签) {
    ui->宽度框->setText(QString::number(current.suggestedWidth));
    ActivateWidthBox();
  } else if (titleLabel == ui->高度标签) {
    ui->高度框->setText(QString::number(current.suggestedHeight));
    ActivateHeightBox();
  } else if (titleLabel == ui->时长标签) {
    ui->时长框->setText(FromUtf8(text::Left(current.foregroundDuration, 8)));
  } else if (titleLabel == ui->输出标签) {
    ui->格式框->setText(FromUtf8(current.foregroundExtension));
  } else if (titleLabel == ui->标签6) {
    ui->背景模糊->setValue(5);
  } else if (titleLabel == ui->标签14) {
    ui->动画模糊->setValue(5);
  } else if (titleLabel == ui->标签15) {
    ui->动画透明->setValue(4);
  }
}

// ---- elapsed-time clock ---------------------------------------------------------------

void BatchView::OnClockTick() {
  ++elapsedSeconds;
  ui->处理时间->setText(FormatElapsed(elapsedSeconds));
}

QString BatchView::FormatElapsed(int seconds) { return FromUtf8(text::FormatElapsed(seconds)); }

// ---- file manager and home page -------------------------------------------------------

void TaskListController::ShowResultInFileManager() {
  if (SelectedRow() < 0) return;
  int row = CurrentRow();
  if (row < 1 || row > taskList->size()) row = SelectedRow() + 1;
  if (row < 1 || row > taskList->size()) return;
  app::ShowInFileManager(FromUtf8(app::FileToShowForTask(taskList->task(row - 1))), this,
                         [this](const QString& path) {
                           QGuiApplication::clipboard()->setText(path);
                           dialogs().ShowError(&window, app::NotShownMessage(path));
                         });
}

void MainWindow::OpenHomePage() {
  const QString page = QStringLiteral(FLIPFRAME_HOME_PAGE);
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(page));
}
