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

#include "gui/file_manager.h"
#include "gui/main_window.h"
#include "gui/ratio_table.h"
#include "platform/platform.h"
#include "store/utf8.h"
#include "task/control_rules.h"
#include "text/bytes.h"
#include "text/numbers.h"

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

bool IsActiveBox(const QLineEdit* box) { return box->palette().color(QPalette::Base) == kActiveBoxColour; }

using app::FromUtf8;

}  // namespace

// ---- size boxes and ratio -------------------------------------------------------------

void MainWindow::ActivateWidthBox() {
  ColourBox(宽度框, 宽度框b, kActiveBoxColour);
  ColourBox(高度框, 高度框b, kPlainBoxColour);
  宽度框->setFocus();
}

void MainWindow::ActivateHeightBox() {
  ColourBox(高度框, 高度框b, kActiveBoxColour);
  ColourBox(宽度框, 宽度框b, kPlainBoxColour);
  高度框->setFocus();
}

bool MainWindow::WidthBoxActive() const { return IsActiveBox(宽度框); }

task::ActiveBox MainWindow::ActiveSizeBox() const {
  if (IsActiveBox(宽度框)) return task::ActiveBox::Width;
  return IsActiveBox(高度框) ? task::ActiveBox::Height : task::ActiveBox::None;
}

bool MainWindow::EvenDown(int& n) { return task::EvenDown(n); }

int MainWindow::RatioDimension(int v) const {
  return task::RatioDimension(宽高比例->currentIndex(), ActiveSizeBox(), v, ratioTable);
}

void MainWindow::OnRatioSelected(int index) {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::SelectRatio(a, current, index);
  ShowSettingsArea(a);
}

void MainWindow::OnRatioCalculate() {
  pipeline::SettingsArea a = ReadSettingsArea();
  const std::string message = pipeline::CalculateRatio(a, current);
  ShowSettingsArea(a);
  if (!message.empty()) dialogs().ShowError(this, FromUtf8(message));
}

// ---- foreground count -----------------------------------------------------------------

int MainWindow::UpdateForegroundCount(int width, int height) {
  // How many copies of the foreground, scaled to the output height, fit across the width.
  task::CountList list = ReadCountList();
  const int n = list.Update(current.foregroundWidth, current.foregroundHeight, width, height);
  if (!(list == ReadCountList())) ShowCountList(list);
  return n;
}

task::CountList MainWindow::ReadCountList() const {
  task::CountList list;
  list.lastComputed = lastComputedCount;
  list.items = 前景计数->count();
  list.selected = 前景计数->currentIndex();
  list.visible = list.items > 0;
  return list;
}

void MainWindow::ShowCountList(const task::CountList& list) {
  if (!list.visible) {
    HideForegroundCount();
    return;
  }
  lastComputedCount = list.lastComputed;
  前景框->resize(270, 前景框->height());
  前景框b->resize(276, 前景框b->height());
  前景计数->raise();
  前景计数->setEnabled(true);
  if (前景计数->count() != list.items) {
    前景计数->clear();
    for (int i = 1; i <= list.items; ++i) 前景计数->addItem(QString::number(i), i);
  }
  if (前景计数->currentIndex() != list.selected) 前景计数->setCurrentIndex(list.selected);
}

void MainWindow::HideForegroundCount() {
  前景框->resize(312, 前景框->height());
  前景框b->resize(318, 前景框b->height());
  前景框b->raise();  // the widened path box covers the count list
  前景计数->clear();
  lastComputedCount = 0;
}

// ---- bitrate and audio ----------------------------------------------------------------

void MainWindow::OnAutoBitrateClicked() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClickAutoBitrate(a, current, 自动码率->isChecked());
  ShowSettingsArea(a);
}

void MainWindow::ApplyAudioRule() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ApplyAudioRule(a);
  ShowSettingsArea(a);
}

void MainWindow::OnMuteClicked() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClickMute(a);
  ShowSettingsArea(a);
}

// ---- clearing a source ----------------------------------------------------------------

void MainWindow::ClearBackground() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearBackground(a, current);
  ShowSettingsArea(a);
}

void MainWindow::ClearAnimation() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearAnimation(a, current);
  ShowSettingsArea(a);
}

void MainWindow::ClearAudio() {
  pipeline::SettingsArea a = ReadSettingsArea();
  pipeline::ClearAudio(a, current);
  ShowSettingsArea(a);
}

// ---- source information and GIF preview -----------------------------------------------

void MainWindow::ShowSourceInfo(SourceKind kind) {
  if (kind == kAudio) {
    处理时间->setText(FromUtf8(current.audioDuration));
    处理进度->clear();
    return;
  }
  const task::TaskRecord& r = current;
  int w = 0, h = 0, code = 0;
  std::string path, duration;
  QLabel* pathBox = nullptr;
  switch (kind) {
    case kForeground:
      w = r.foregroundWidth, h = r.foregroundHeight, code = r.foregroundKind;
      path = r.foregroundPath, duration = r.foregroundDuration, pathBox = 前景框;
      break;
    case kBackground:
      w = r.backgroundWidth, h = r.backgroundHeight, code = r.backgroundKind;
      path = r.backgroundPath, duration = r.backgroundDuration, pathBox = 背景框;
      break;
    default:
      w = r.animationWidth, h = r.animationHeight, code = r.animationKind;
      path = r.animationPath, duration = r.animationDuration, pathBox = 动画框;
      break;
  }
  处理进度->setText(w > 0 && h > 0 ? QString::number(w) + ":" + QString::number(h) : QString());
  处理时间->setText(FromUtf8(duration));
  if (code == task::kKindGif) {
    const QString file = path.empty() ? pathBox->text() : FromUtf8(task::Unquote(path));
    ShowGifPreview(file, w, h);
  }
}

void MainWindow::ShowGifPreview(const QString& path, int width, int height) {
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
  动画预览->setGeometry(13, top, static_cast<int>(pw), static_cast<int>(ph));
  关闭->move(static_cast<int>(pw) - 2, top + 2);

  if (previewMovie) {
    动画预览->setMovie(nullptr);
    previewMovie->stop();
    previewMovie->deleteLater();
    previewMovie = nullptr;
  }
  // A file that cannot be read shows an empty picture; nothing is reported.
  previewMovie = new QMovie(path, QByteArray(), this);
  动画预览->setMovie(previewMovie);
  previewMovie->start();
  动画预览->show();
  动画预览->raise();
  关闭->show();
  关闭->raise();
}

void MainWindow::HidePreview() {
  动画预览->hide();
  关闭->hide();
  if (previewMovie) previewMovie->stop();
}

// ---- label shortcuts ------------------------------------------------------------------

void MainWindow::RestoreDefault(QLabel* titleLabel) {
  if (titleLabel == 宽度标签) {
    宽度框->setText(QString::number(current.suggestedWidth));
    ActivateWidthBox();
  } else if (titleLabel == 高度标签) {
    高度框->setText(QString::number(current.suggestedHeight));
    ActivateHeightBox();
  } else if (titleLabel == 时长标签) {
    时长框->setText(FromUtf8(text::Left(current.foregroundDuration, 8)));
  } else if (titleLabel == 输出标签) {
    格式框->setText(FromUtf8(current.foregroundExtension));
  } else if (titleLabel == 标签6) {
    背景模糊->setValue(5);
  } else if (titleLabel == 标签14) {
    动画模糊->setValue(5);
  } else if (titleLabel == 标签15) {
    动画透明->setValue(4);
  }
}

// ---- elapsed-time clock ---------------------------------------------------------------

void MainWindow::OnClockTick() {
  ++elapsedSeconds;
  处理时间->setText(FormatElapsed(elapsedSeconds));
}

QString MainWindow::FormatElapsed(int seconds) { return FromUtf8(text::FormatElapsed(seconds)); }

// ---- file manager and home page -------------------------------------------------------

void MainWindow::ShowResultInFileManager() {
  if (SelectedRow() < 0) return;
  int row = CurrentRow();
  if (row < 1 || row > taskList->size()) row = SelectedRow() + 1;
  if (row < 1 || row > taskList->size()) return;
  app::ShowInFileManager(FromUtf8(app::FileToShowForTask(taskList->task(row - 1))), this,
                         [this](const QString& path) {
                           QGuiApplication::clipboard()->setText(path);
                           dialogs().ShowError(this, app::NotShownMessage(path));
                         });
}

void MainWindow::OpenHomePage() {
  const QString page = QStringLiteral(FLIPFRAME_HOME_PAGE);
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(page));
}
