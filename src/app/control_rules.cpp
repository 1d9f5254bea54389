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
#include <QTableWidget>
#include <QUrl>

#include <cmath>
#include <limits>

#include "app/file_manager.h"
#include "app/main_window.h"
#include "app/ratio_table.h"
#include "platform/platform.h"
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

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Truncates toward zero; values outside the integer range give the nearest limit, and a
// value that is not a number gives 0 (never an undefined conversion).
int TruncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

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

bool MainWindow::EvenDown(int& n) {
  if (n % 2 == 0) return false;
  n -= 1;
  return true;
}

int MainWindow::RatioDimension(int v) const {
  const int s = 宽高比例->currentIndex();
  if (s < 0 || s > 10) return 0;
  const bool longOverShort = !((s < 7 && WidthBoxActive()) || (s > 6 && IsActiveBox(高度框)));
  const double factor = ratioTable[static_cast<size_t>(longOverShort ? s + 1 : s + 12)];
  int result = TruncateToInt(text::RoundHalfAway(v * factor, 2));
  EvenDown(result);
  return result;
}

void MainWindow::OnRatioSelected(int index) {
  if (index > 6) {  // portrait output: the width is the foreground's, the height follows
    宽度框->setText(QString::number(current.foregroundWidth));
    ActivateWidthBox();
    int h = RatioDimension(current.foregroundWidth);
    if (h < current.foregroundHeight) h = current.foregroundHeight;
    高度框->setText(QString::number(h));
  } else {  // landscape output: the height is the foreground's, the width follows
    高度框->setText(QString::number(current.foregroundHeight));
    ActivateHeightBox();
    int w = RatioDimension(current.foregroundHeight);
    if (w < current.foregroundWidth) w = current.foregroundWidth;
    宽度框->setText(QString::number(w));
  }
  UpdateForegroundCount(宽度框->text().toInt(), 高度框->text().toInt());
}

void MainWindow::OnRatioCalculate() {
  const int width = 宽度框->text().toInt();  // not a number reads as 0
  const int height = 高度框->text().toInt();
  if (width < 96 || height < 96) {
    dialogs().ShowError(this, QStringLiteral("视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。"));
    return;
  }
  if (IsActiveBox(高度框)) {
    const int w = RatioDimension(height);
    if (w < 96) {
      dialogs().ShowError(this, QStringLiteral("当前视频高度设置有误，换算宽度仅有") + QString::number(w) +
                                    QStringLiteral("，低于最低限度96，请修改。"));
      高度框->clear();
      return;
    }
    宽度框->setText(QString::number(w));
  } else {
    const int h = RatioDimension(width);
    if (h < 96) {
      dialogs().ShowError(this, QStringLiteral("当前视频宽度设置有误，换算高度仅有") + QString::number(h) +
                                    QStringLiteral("，低于最低限度96，请修改。"));
      宽度框->clear();
      return;
    }
    高度框->setText(QString::number(h));
  }
  UpdateForegroundCount(宽度框->text().toInt(), 高度框->text().toInt());
}

// ---- foreground count -----------------------------------------------------------------

int MainWindow::UpdateForegroundCount(int width, int height) {
  // How many copies of the foreground, scaled to the output height, fit across the width.
  // Nothing probed or an empty size gives 0: never a division by zero.
  int n = 0;
  const int fw = current.foregroundWidth, fh = current.foregroundHeight;
  if (fw > 0 && fh > 0 && width > 0 && height > 0) {
    const double copyWidth = static_cast<double>(height) * fw / fh;
    n = TruncateToInt(width / copyWidth);
    if (n > app::kMaxForegroundCopies) n = app::kMaxForegroundCopies;
  }
  if (n == lastComputedCount) return n;
  lastComputedCount = n;
  if (n < 2) {
    HideForegroundCount();
    return n;
  }
  前景框->resize(270, 前景框->height());
  前景框b->resize(276, 前景框b->height());
  前景计数->raise();
  前景计数->setEnabled(true);
  if (前景计数->count() == n) return n;

  int previous = 0;
  if (前景计数->count() > 0 && 前景计数->currentIndex() >= 0) previous = 前景计数->currentData().toInt();
  前景计数->clear();
  for (int i = 1; i <= n; ++i) 前景计数->addItem(QString::number(i), i);
  前景计数->setCurrentIndex(previous > 0 ? std::min(n, previous) - 1 : 0);
  return n;
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
  if (自动码率->isChecked()) {
    const QString rate = Text(current.foregroundBitrate);
    if (码率框->text() != rate) 码率框->setText(rate);
    码率框->setEnabled(false);
  } else {
    码率框->setEnabled(true);
  }
}

void MainWindow::ApplyAudioRule() {
  if (!前景音->isChecked() && !背景音->isChecked() && !音乐->isChecked()) {
    静音->setChecked(true);
    音频淡入->setChecked(false);
    音频淡出->setChecked(false);
    音频淡入->setEnabled(false);
    音频淡出->setEnabled(false);
  } else {
    静音->setChecked(false);
    音频淡入->setEnabled(true);
    音频淡出->setEnabled(true);
  }
}

// Mute is left only by ticking a sound source; ticking mute drops every sound source.
void MainWindow::OnMuteClicked() {
  if (静音->isChecked()) {
    前景音->setChecked(false);
    背景音->setChecked(false);
    音乐->setChecked(false);
  } else {
    静音->setChecked(true);
  }
  ApplyAudioRule();
}

// ---- clearing a source ----------------------------------------------------------------

void MainWindow::ClearBackground() {
  current.backgroundPath.clear();
  current.backgroundDuration.clear();
  背景框->setText(QString::fromUtf8(kBackgroundPlaceholder));
  current.backgroundKind = 0;
  current.backgroundWidth = 0;
  current.backgroundHeight = 0;
  背景模糊->setValue(5);
  if (plat::FileExists(task::Unquote(current.foregroundPath))) 背景音->setEnabled(false);
  for (QCheckBox* box : {迷幻, 分量色变, 上下跃动, 左右跃动, 背景音}) box->setChecked(false);
  ApplyAudioRule();
}

void MainWindow::ClearAnimation() {
  current.animationPath.clear();
  current.animationDuration.clear();
  动画框->clear();
  current.animationKind = 0;
  current.animationWidth = 0;
  current.animationHeight = 0;
  动画滤镜->setCurrentIndex(0);
  动画模糊->setEnabled(false);
  动画透明->setEnabled(false);
  动画滤镜->setEnabled(false);
  动画透明->setValue(4);
  动画模糊->setValue(5);
}

void MainWindow::ClearAudio() {
  音乐->setChecked(false);
  音乐->setEnabled(false);
  current.audioPath.clear();
  current.audioDuration.clear();
  音乐框->clear();
  current.audioKind = 0;
  ApplyAudioRule();
}

// ---- source information and GIF preview -----------------------------------------------

void MainWindow::ShowSourceInfo(SourceKind kind) {
  if (kind == kAudio) {
    处理时间->setText(Text(current.audioDuration));
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
  处理时间->setText(Text(duration));
  if (code == 4) {  // a GIF animation
    const QString file = path.empty() ? pathBox->text() : Text(task::Unquote(path));
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
    时长框->setText(Text(text::Left(current.foregroundDuration, 8)));
  } else if (titleLabel == 输出标签) {
    格式框->setText(Text(current.foregroundExtension));
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

QString MainWindow::FormatElapsed(int seconds) {
  if (seconds <= 0) return {};
  const int days = seconds / 86400, rest = seconds % 86400;
  const int h = rest / 3600, m = rest % 3600 / 60, s = rest % 60;
  if (days != 0) return QString::asprintf("%02d:%02d:%02d:%02d", days, h, m, s);
  return QString::asprintf("%02d:%02d:%02d", h, m, s);
}

// ---- file manager and home page -------------------------------------------------------

void MainWindow::ShowResultInFileManager() {
  if (SelectedRow() < 0) return;
  int row = currentRow;
  if (row < 1 || row > static_cast<int>(tasks.size())) row = SelectedRow() + 1;
  if (row < 1 || row > static_cast<int>(tasks.size())) return;
  app::ShowInFileManager(Text(app::FileToShowForTask(tasks[static_cast<size_t>(row - 1)])), this,
                         [this](const QString& path) {
                           QGuiApplication::clipboard()->setText(path);
                           dialogs().ShowError(this, app::NotShownMessage(path));
                         });
}

void MainWindow::OpenHomePage() {
  const QString page = QStringLiteral(FLIPFRAME_HOME_PAGE);
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(page));
}
