#pragma once
// The preview window: the output frame of a task at a moment chosen with a slider, drawn
// again a short moment after the task's settings change, and a few seconds encoded with the
// task's full command for the desktop's player. Rendering runs on worker threads; a new
// request cancels the one before, and the window never waits for one.
#include <QPoint>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "gui/preview_analysis.h"
#include "task/task_record.h"

class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace app {

class PreviewWindow : public QWidget {
  Q_OBJECT

 public:
  // The task to show as it stands now; nothing, with `why` set, when none can be made.
  using TaskSource = std::function<std::optional<task::TaskRecord>(QString* why)>;

  PreviewWindow(TaskSource source, std::array<std::string, 4> effectFilters, QWidget* parent = nullptr);
  ~PreviewWindow() override;

  // The task's settings changed: draw again after a short moment of quiet.
  void settingsChanged();
  // Draws now (the window calls it when shown).
  void refresh();
  // Opens a finished clip; tests replace it. False when no player answered.
  std::function<bool(const QString& path)> openClip;
  static constexpr int kQuietMs = 300;
  // The picture of a 裁切铺满 task may be dragged to move the crop (the task being prepared).
  void setCropAdjustable(bool adjustable) { cropAdjustable_ = adjustable; }
  // The frame on show at its full size (null when none).
  const QPixmap& shownFrame() const { return frame_; }
  // Where 试看's clips go (the system's temporary folder unless a test says otherwise).
  QString tempFolder;

 signals:
  // A frame or a message is on show for the request `generation` (for tests and callers).
  void frameShown(int generation);
  void clipFinished(const QString& pathOrEmpty);
  // The picture was dragged (or double-clicked: back to the middle) to this crop place.
  void cropPlaceChosen(int percent);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Worker {
    std::jthread thread;
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
  };
  void startFrame();
  void startClip();
  void showAnalysis(int percent);
  void showFrame(int generation, const QByteArray& png, const QString& error, bool exactSeek = false);
  void showTime();
  void retireFinishedWorkers();
  std::optional<task::TaskRecord> currentTask();
  void stepFrames(int frames);
  // The crop place the picture dragged by `dx`, `dy` pixels of the shown picture stands for.
  int draggedCropPlace(QPoint moved) const;

  TaskSource source_;
  std::array<std::string, 4> effectFilters_;
  QLabel* image_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* message_ = nullptr;
  QSlider* slider_ = nullptr;
  QSpinBox* clipSeconds_ = nullptr;
  QPushButton* clipButton_ = nullptr;
  QTimer quiet_;
  QPixmap frame_;
  int generation_ = 0;
  std::stop_source frameStop_;
  PreviewAnalysis analysis_;
  std::list<Worker> workers_;
  std::unique_ptr<QTemporaryDir> clipFolder_;  // made at the first clip, removed when the window closes
  int clipCount_ = 0;
  std::optional<task::TaskRecord> shownTask_;  // the task of the last request
  double frameMs_ = 40;                        // one frame of the task's foreground
  bool cropAdjustable_ = false;
  std::optional<QPoint> dragFrom_;

  void resizeEvent(QResizeEvent* event) override;
  void showScaled();
};

}  // namespace app
