#include "gui/preview_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include "pipeline/preview.h"

namespace app {
namespace {

QString TimeText(double seconds) {
  const int whole = int(seconds);
  return QString::asprintf("%02d:%02d:%06.3f", whole / 3600, whole / 60 % 60, seconds - whole + whole % 60);
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
}

PreviewWindow::~PreviewWindow() {
  frameStop_.request_stop();
  for (Worker& w : workers_) w.thread.request_stop();
  workers_.clear();  // joins: each converter is killed at the stop request
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
  }
  showTime();
  return task;
}

void PreviewWindow::showTime() {
  time_->setText(TimeText(slider_->value() / 1000.0) + " / " + TimeText(slider_->maximum() / 1000.0));
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
  message_->setText(QStringLiteral("正在生成预览…"));
  Worker& worker = workers_.emplace_back();
  const double seconds = slider_->value() / 1000.0;
  worker.thread = std::jthread([this, generation, seconds, task = *task, filters = effectFilters_,
                                stop = frameStop_.get_token(), done = worker.done](std::stop_token) {
    const pipeline::PreviewFrame frame = pipeline::RenderPreviewFrame(task, seconds, filters, stop);
    if (!stop.stop_requested()) {
      const QByteArray png = frame.image ? QByteArray::fromStdString(frame.image->bytes) : QByteArray();
      const QString error = QString::fromStdString(frame.error);
      QMetaObject::invokeMethod(
          this, [this, generation, png, error] { showFrame(generation, png, error); }, Qt::QueuedConnection);
    }
    done->store(true);
  });
}

void PreviewWindow::showFrame(int generation, const QByteArray& png, const QString& error) {
  if (generation != generation_) return;  // a newer request is under way
  QPixmap pixmap;
  if (!png.isEmpty() && pixmap.loadFromData(png, "PNG")) {
    frame_ = pixmap;
    message_->setText(QString("%1×%2").arg(pixmap.width()).arg(pixmap.height()));
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
  if (!task || !clipFolder_.isValid()) {
    emit clipFinished(QString());
    return;
  }
  const std::string extension = task->outputFormat.empty() ? ".mp4" : task->outputFormat;
  const QString path =
      clipFolder_.filePath(QString("试看%1%2").arg(++clipCount_).arg(QString::fromStdString(extension)));
  clipButton_->setEnabled(false);
  message_->setText(QString("正在生成 %1 秒的试看片段…").arg(clipSeconds_->value()));
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
