#include "gui/preview_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

#include "gui/preview_folder.h"
#include "pipeline/preview.h"
#include "reframe/crop_command.h"

namespace app {
namespace {

// As a player shows a position: 0:05.240, or 1:02:05.240 past an hour.
QString TimeText(int ms) {
  const int seconds = ms / 1000, rest = ms % 1000;
  if (seconds >= 3600)
    return QString::asprintf("%d:%02d:%02d.%03d", seconds / 3600, seconds / 60 % 60, seconds % 60, rest);
  return QString::asprintf("%d:%02d.%03d", seconds / 60, seconds % 60, rest);
}

}  // namespace

PreviewWindow::PreviewWindow(TaskSource source, std::array<std::string, 4> effectFilters, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)), effectFilters_(std::move(effectFilters)) {
  setObjectName("预览窗口");
  setWindowTitle("预览");
  resize(480, 640);
  openClip = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

  image_ = new QLabel(this);
  image_->setObjectName("预览画面");
  image_->setAlignment(Qt::AlignCenter);
  image_->setMinimumSize(160, 160);
  image_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  message_ = new QLabel(this);
  message_->setObjectName("预览信息");
  message_->setWordWrap(true);
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName("预览时刻");
  slider_->setSingleStep(1000);
  slider_->setToolTip("预览的时刻：← → 一秒，, . 一帧，PageUp PageDown 或点击滑轨十分之一，Home End 首尾");
  slider_->setAccessibleName("预览时刻");
  time_ = new QLabel(this);
  time_->setObjectName("预览时间");
  clipSeconds_ = new QSpinBox(this);
  clipSeconds_->setObjectName("试看秒数");
  clipSeconds_->setRange(1, 60);
  clipSeconds_->setValue(5);
  clipSeconds_->setSuffix(" 秒");
  clipButton_ = new QPushButton("试看", this);
  clipButton_->setObjectName("试看");

  auto* timeRow = new QHBoxLayout;
  timeRow->addWidget(slider_, 1);
  timeRow->addWidget(time_);
  auto* clipRow = new QHBoxLayout;
  clipRow->addWidget(message_, 1);
  clipRow->addWidget(clipSeconds_);
  clipRow->addWidget(clipButton_);
  auto* column = new QVBoxLayout(this);
  column->addWidget(image_, 1);
  column->addLayout(timeRow);
  column->addLayout(clipRow);

  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMs);
  connect(&quiet_, &QTimer::timeout, this, &PreviewWindow::startFrame);
  connect(slider_, &QSlider::valueChanged, this, [this] {
    showTime();
    settingsChanged();
  });
  connect(clipButton_, &QPushButton::clicked, this, &PreviewWindow::startClip);
  connect(&analysis_, &PreviewAnalysis::progressed, this, &PreviewWindow::showAnalysis);
  connect(&analysis_, &PreviewAnalysis::finished, this, &PreviewWindow::startFrame);
  image_->installEventFilter(this);
}

PreviewWindow::~PreviewWindow() {
  analysis_.stop();
  frameStop_.request_stop();
  for (Worker& w : workers_) w.thread.request_stop();
  workers_.clear();  // joins: each converter is killed at the stop request
}

// A frame back and on with "," and ".", as players step (the slider passes these keys on).
void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Comma || event->key() == Qt::Key_Period)
    stepFrames(event->key() == Qt::Key_Comma ? -1 : 1);
  else
    QWidget::keyPressEvent(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  // A clip still being made is given up, and the clips go with their folder.
  for (Worker& w : workers_) w.thread.request_stop();
  workers_.clear();
  clipButton_->setEnabled(true);
  clipFolder_.reset();
  analysis_.stop();
  QWidget::closeEvent(event);
}

void PreviewWindow::settingsChanged() { quiet_.start(); }

void PreviewWindow::refresh() {
  quiet_.stop();
  startFrame();
}

void PreviewWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refresh();
}

std::optional<task::TaskRecord> PreviewWindow::currentTask() {
  QString why;
  std::optional<task::TaskRecord> task = source_ ? source_(&why) : std::nullopt;
  if (!task) {
    message_->setText(why.isEmpty() ? QStringLiteral("没有可以预览的任务。") : why);
    return std::nullopt;
  }
  const int length = int(pipeline::PreviewLength(*task) * 1000);
  if (slider_->maximum() != length) {
    const QSignalBlocker quiet(slider_);
    slider_->setRange(0, std::max(0, length));
    slider_->setPageStep(std::max(1, length / 10));
  }
  const double fps = std::atof(task->foregroundFps.c_str());
  frameMs_ = fps > 0 ? 1000 / fps : 40;
  shownTask_ = task;
  showTime();
  return task;
}

void PreviewWindow::showTime() {
  time_->setText(TimeText(slider_->value()) + " / " + TimeText(slider_->maximum()));
}

void PreviewWindow::stepFrames(int frames) {
  // From the frame the slider stands in to the start of the one beside it.
  const double frame = std::floor(slider_->value() / frameMs_ + 1e-6) + frames;
  slider_->setValue(int(std::ceil(std::max(0.0, frame) * frameMs_)));
}

void PreviewWindow::retireFinishedWorkers() {
  workers_.remove_if([](const Worker& w) { return w.done->load(); });
}

void PreviewWindow::startFrame() {
  retireFinishedWorkers();
  frameStop_.request_stop();
  frameStop_ = std::stop_source();
  const int generation = ++generation_;
  const std::optional<task::TaskRecord> task = currentTask();
  if (!task) {
    frame_ = QPixmap();
    image_->clear();
    emit frameShown(generation);
    return;
  }
  QString why;
  switch (analysis_.prepare(*task, &why)) {
    case PreviewAnalysis::Readiness::Analysing:  // its end asks again
      showAnalysis(0);
      return;
    case PreviewAnalysis::Readiness::Failed:
      showFrame(generation, {}, why);
      return;
    case PreviewAnalysis::Readiness::Ready:
      break;
  }
  message_->setText(QStringLiteral("正在生成预览…"));
  Worker& worker = workers_.emplace_back();
  const double seconds = slider_->value() / 1000.0;
  worker.thread = std::jthread([this, generation, seconds, task = *task, filters = effectFilters_,
                                stop = frameStop_.get_token(), done = worker.done](std::stop_token) {
    const pipeline::PreviewFrame frame = pipeline::RenderPreviewFrame(task, seconds, filters, stop);
    if (!stop.stop_requested()) {
      const QByteArray png = frame.image ? QByteArray::fromStdString(frame.image->bytes) : QByteArray();
      const QString error = QString::fromStdString(frame.error);
      const bool exact = frame.exactSeek;
      QMetaObject::invokeMethod(
          this, [this, generation, png, error, exact] { showFrame(generation, png, error, exact); },
          Qt::QueuedConnection);
    }
    done->store(true);
  });
}

void PreviewWindow::showAnalysis(int percent) {
  message_->setText(QString("智能跟随：正在分析整段视频 %1％（只分析一次，执行任务时沿用）").arg(percent));
}

void PreviewWindow::showFrame(int generation, const QByteArray& png, const QString& error, bool exactSeek) {
  if (generation != generation_) return;  // a newer request is under way
  QPixmap pixmap;
  if (!png.isEmpty() && pixmap.loadFromData(png, "PNG")) {
    frame_ = pixmap;
    QString text = QString("%1×%2").arg(pixmap.width()).arg(pixmap.height());
    if (shownTask_ && shownTask_->layout.kind == task::LayoutKind::Crop)
      text += QString("，裁切位置 %1%").arg(shownTask_->layout.cropPercent) +
              (cropAdjustable_ ? QStringLiteral("（拖动画面移动，双击回到正中）") : QString());
    if (exactSeek) text += QStringLiteral("，此处需从头解码");
    message_->setText(text);
    if (cropAdjustable_ && shownTask_ && shownTask_->layout.kind == task::LayoutKind::Crop)
      image_->setCursor(Qt::OpenHandCursor);
    else
      image_->unsetCursor();
    showScaled();
  } else {
    frame_ = QPixmap();
    image_->clear();
    message_->setText(error.isEmpty() ? QStringLiteral("无法预览。") : error);
  }
  emit frameShown(generation);
}

void PreviewWindow::startClip() {
  retireFinishedWorkers();
  const std::optional<task::TaskRecord> task = currentTask();
  QString why;
  if (task && analysis_.prepare(*task, &why) != PreviewAnalysis::Readiness::Ready) {
    message_->setText(why.isEmpty() ? QStringLiteral("智能跟随的分析还没有完成，完成后才能试看。") : why);
    emit clipFinished(QString());
    return;
  }
  if (task && !clipFolder_) {
    clipFolder_ = NewPreviewFolder(tempFolder.isEmpty() ? QDir::tempPath() : tempFolder);
    if (!clipFolder_) message_->setText("无法在临时文件夹中为试看片段建立文件夹。");
  }
  if (!task || !clipFolder_) {
    emit clipFinished(QString());
    return;
  }
  const std::string extension = task->outputFormat.empty() ? ".mp4" : task->outputFormat;
  const QString path =
      clipFolder_->filePath(QString("试看%1%2").arg(++clipCount_).arg(QString::fromStdString(extension)));
  clipButton_->setEnabled(false);
  message_->setText(QString("正在生成从 %1 起 %2 秒的试看片段…")
                        .arg(TimeText(slider_->value()))
                        .arg(clipSeconds_->value()));
  Worker& worker = workers_.emplace_back();
  const double seconds = slider_->value() / 1000.0, length = clipSeconds_->value();
  worker.thread = std::jthread([this, path, seconds, length, task = *task, filters = effectFilters_,
                                done = worker.done](std::stop_token stop) {
    const std::string error =
        pipeline::RenderPreviewClip(task, seconds, length, path.toStdString(), filters, stop);
    if (!stop.stop_requested()) {
      QMetaObject::invokeMethod(
          this,
          [this, path, error] {
            clipButton_->setEnabled(true);
            if (!error.empty()) {
              message_->setText(QString::fromStdString(error));
              emit clipFinished(QString());
              return;
            }
            message_->setText(openClip(path) ? QString("试看片段已交给播放器：%1").arg(path)
                                             : QString("没有播放器打开试看片段，它在：%1").arg(path));
            emit clipFinished(path);
          },
          Qt::QueuedConnection);
    }
    done->store(true);
  });
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  showScaled();
}

void PreviewWindow::showScaled() {
  if (frame_.isNull()) return;
  image_->setPixmap(frame_.scaled(image_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace app

namespace app {

int PreviewWindow::draggedCropPlace(QPoint moved) const {
  const task::TaskRecord& t = *shownTask_;
  const reframe::CropWindow crop =
      reframe::WindowFor(t.foregroundWidth, t.foregroundHeight, t.outputWidth, t.outputHeight);
  const QSize shown = frame_.size().scaled(image_->size(), Qt::KeepAspectRatio);
  if (crop.travel <= 0 || shown.isEmpty()) return t.layout.cropPercent;
  // Source pixels per pixel on screen; the picture follows the pointer, so the crop moves
  // the other way.
  const double sourcePerShown =
      crop.across ? double(crop.width) / shown.width() : double(crop.height) / shown.height();
  const double step = (crop.across ? moved.x() : moved.y()) * sourcePerShown / crop.travel * 100;
  return int(std::lround(std::clamp(t.layout.cropPercent - step, 0.0, 100.0)));
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool croppable = watched == image_ && cropAdjustable_ && shownTask_ &&
                         shownTask_->layout.kind == task::LayoutKind::Crop && !frame_.isNull();
  const QEvent::Type type = event->type();
  const bool mouseEvent = type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonPress ||
                          type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
  if (!croppable || !mouseEvent) return QWidget::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      dragFrom_.reset();
      emit cropPlaceChosen(task::CanvasLayout{}.cropPercent);
      return true;
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton) break;
      dragFrom_ = mouse->position().toPoint();
      image_->setCursor(Qt::ClosedHandCursor);
      return true;
    case QEvent::MouseMove:
      if (!dragFrom_) break;
      message_->setText(
          QString("裁切位置 %1%").arg(draggedCropPlace(mouse->position().toPoint() - *dragFrom_)));
      return true;
    case QEvent::MouseButtonRelease: {
      if (!dragFrom_ || mouse->button() != Qt::LeftButton) break;
      const int place = draggedCropPlace(mouse->position().toPoint() - *dragFrom_);
      dragFrom_.reset();
      image_->unsetCursor();
      if (place != shownTask_->layout.cropPercent) emit cropPlaceChosen(place);
      return true;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
