#include "gui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "gui/ratio_table.h"

const char* const MainWindow::kBackgroundPlaceholder = pipeline::kBackgroundPlaceholder;

MainWindow::MainWindow(Dialogs* dialogs, QWidget* parent) : QWidget(parent) {
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<WidgetDialogs>();
    dialogs_ = ownDialogs_.get();
  }
  // Ends at once, as after the close question: a task worker may still be running, so no
  // static destructors run under it.
  exitProgram = [](int code) {
    std::fflush(nullptr);
    std::_Exit(code);
  };
  ratioTable = app::kRatioTable;
  BuildControls();
  runner = MakeBatchRunner();
  ConnectControls();
  // Files and folders dropped on the window or the list become tasks (the list passes its
  // drops up to the window).
  setAcceptDrops(true);
  OnMainWindowCreated();
  created_ = true;
}

MainWindow::~MainWindow() = default;

std::array<MainWindow::SwitchControl, task::kOffCount> MainWindow::SwitchControls() const {
  using namespace task;
  return {{{动画滤镜, -1, kOffBlendMode},
           {背景模糊, -1, kOffBackgroundBlur},
           {动画模糊, -1, kOffAnimationBlur},
           {动画透明, -1, kOffAnimationOpacity},
           {自动码率, kTickAutoBitrate, kOffAutoBitrate},
           {前景音, kTickForegroundSound, kOffForegroundSound},
           {背景音, kTickBackgroundSound, kOffBackgroundSound},
           {音乐, kTickMusic, kOffMusic},
           {静音, kTickMute, kOffMute},
           {音频淡入, kTickAudioFadeIn, kOffAudioFadeIn},
           {音频淡出, kTickAudioFadeOut, kOffAudioFadeOut},
           {上下跃动, kTickBounceVertical, kOffBounceVertical},
           {左右跃动, kTickBounceHorizontal, kOffBounceHorizontal},
           {迷幻, kTickPsychedelic, kOffPsychedelic},
           {分量色变, kTickColourShift, kOffColourShift},
           {降噪, kTickDenoise, kOffDenoise},
           {柔化, kTickSoften, kOffSoften},
           {前景镜像, kTickMirror, kOffMirror},
           {视频淡入, kTickVideoFadeIn, kOffVideoFadeIn},
           {视频淡出, kTickVideoFadeOut, kOffVideoFadeOut},
           {重帧优化, kTickDedupFrames, kOffDedupFrames},
           {码率框, -1, kOffBitrateBox}}};
}

QCheckBox* MainWindow::SwitchControl::box() const {
  return tick >= 0 ? static_cast<QCheckBox*>(control) : nullptr;
}

int MainWindow::CurrentRow() const { return currentTask.isValid() ? currentTask.row() + 1 : 0; }

void MainWindow::SetCurrentRow(int row) {
  currentTask = row >= 1 && row <= taskList->size() ? QPersistentModelIndex(taskList->index(row - 1, 0))
                                                    : QPersistentModelIndex();
}

bool MainWindow::OwnEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

void MainWindow::ResponsiveWait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

namespace {
QEventLoop* g_workerWait = nullptr;  // the innermost WaitForWorkerUpdate, if any
}  // namespace

void MainWindow::WaitForWorkerUpdate(int ms) {
  QEventLoop loop;
  QEventLoop* outer = g_workerWait;
  g_workerWait = &loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
  g_workerWait = outer;
}

void MainWindow::WakeWorkerWait() {
  if (g_workerWait) g_workerWait->quit();
}

void MainWindow::ConnectControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{宽度框, 高度框, 前景框, 背景框, 动画框, 音乐框, 关闭,
                                                    版权, 宽度标签, 高度标签, 时长标签, 输出标签, 标签6,
                                                    标签14, 标签15, 上下跃动, 左右跃动, 分量色变, 迷幻})
    w->installEventFilter(this);

  connect(宽高比例, &QComboBox::activated, this, &MainWindow::OnRatioSelected);
  connect(比例计算, &QPushButton::clicked, this, &MainWindow::OnRatioCalculate);
  connect(前景计数, &CountComboBox::aboutToOpen, this, [this] {
    if (!宽度框->text().isEmpty() && !高度框->text().isEmpty())
      UpdateForegroundCount(宽度框->text().toInt(), 高度框->text().toInt());
  });
  connect(前景计数, &QComboBox::activated, this,
          [this](int index) { current.selectedForegroundCount = index; });
  connect(前景计数, &CountComboBox::focusGained, this, [this] {
    if (storedCount < 2) 前景计数->setEnabled(false);
  });
  connect(自动码率, &QCheckBox::clicked, this, &MainWindow::OnAutoBitrateClicked);
  connect(静音, &QCheckBox::clicked, this, &MainWindow::OnMuteClicked);
  for (QCheckBox* box : {前景音, 背景音, 音乐})
    connect(box, &QCheckBox::clicked, this, &MainWindow::ApplyAudioRule);
  connect(清空背景, &QPushButton::clicked, this, &MainWindow::ClearBackground);
  connect(清空动画, &QPushButton::clicked, this, &MainWindow::ClearAnimation);
  connect(清空音乐, &QPushButton::clicked, this, &MainWindow::ClearAudio);
  connect(时钟, &QTimer::timeout, this, &MainWindow::OnClockTick);
  connect(列表框, &QTableView::doubleClicked, this, &MainWindow::ShowResultInFileManager);
  connect(列表框, &QTableView::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowTaskMenu(列表框->viewport()->mapToGlobal(pos)); });
  connect(列表框, &QTableView::clicked, this, [this](const QModelIndex&) { LoadClickedTask(); });

  connect(前景按钮, &QPushButton::clicked, this, [this] { PickSource(kForeground); });
  connect(背景按钮, &QPushButton::clicked, this, [this] { PickSource(kBackground); });
  connect(动画按钮, &QPushButton::clicked, this, [this] { PickSource(kAnimation); });
  connect(音乐按钮, &QPushButton::clicked, this, [this] { PickSource(kAudio); });
  connect(重载, &QPushButton::clicked, this, &MainWindow::ReloadForeground);

  connect(新建任务, &QPushButton::clicked, this, &MainWindow::StartNewTask);
  connect(保存任务, &QPushButton::clicked, this, &MainWindow::AddOrSaveTask);
  connect(暂停执行, &QPushButton::clicked, this, &MainWindow::OnPauseClicked);
  connect(开始执行, &QPushButton::clicked, this, &MainWindow::OnStartClicked);

  connect(menuClearState, &QAction::triggered, this, &MainWindow::ClearTaskState);
  connect(menuClearAllStates, &QAction::triggered, this, &MainWindow::ClearAllStates);
  connect(menuNewTask, &QAction::triggered, this, &MainWindow::StartNewTask);
  connect(menuCloneTask, &QAction::triggered, this, &MainWindow::CloneTask);
  connect(menuEditTask, &QAction::triggered, this, [this] {
    操作框->setEnabled(true);
    LoadTaskForEdit();
  });
  connect(menuDeleteTask, &QAction::triggered, this, &MainWindow::DeleteTask);
  connect(menuClearAllTasks, &QAction::triggered, this, &MainWindow::ClearAllTasks);
  connect(menuMoveTop, &QAction::triggered, this, &MainWindow::MoveTaskToTop);
  connect(menuMoveBottom, &QAction::triggered, this, &MainWindow::MoveTaskToBottom);
  connect(menuShowLog, &QAction::triggered, this, &MainWindow::ShowTaskLog);
  connect(menuAddVideos, &QAction::triggered, this, &MainWindow::AddVideosFromMenu);
  connect(menuLoadList, &QAction::triggered, this, &MainWindow::LoadTaskListFromMenu);
  connect(menuSaveList, &QAction::triggered, this, &MainWindow::SaveTaskListFromMenu);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == 宽度框 || watched == 高度框)) {
    storedCount = UpdateForegroundCount(宽度框->text().toInt(), 高度框->text().toInt());
    return false;
  }
  if (event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
  const auto button = static_cast<QMouseEvent*>(event)->button();
  if (button == Qt::LeftButton) {
    if (watched == 宽度框)
      ActivateWidthBox();
    else if (watched == 高度框)
      ActivateHeightBox();
    else if (watched == 前景框)
      ShowSourceInfo(kForeground);
    else if (watched == 背景框)
      ShowSourceInfo(kBackground);
    else if (watched == 动画框)
      ShowSourceInfo(kAnimation);
    else if (watched == 音乐框)
      ShowSourceInfo(kAudio);
    else if (watched == 关闭)
      HidePreview();
    else if (watched == 版权)
      OpenHomePage();
  } else if (button == Qt::RightButton) {
    if (watched == 上下跃动 || watched == 左右跃动 || watched == 分量色变 || watched == 迷幻) {
      LoadEffectPresets();
      return true;  // a right click never changes the tick
    }
    if (auto* label = qobject_cast<QLabel*>(watched)) RestoreDefault(label);
  }
  return QWidget::eventFilter(watched, event);
}

// Width stays 475; height never below 603; the list and the bottom strip follow a taller
// window, and shrink back with it.
void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  setUpdatesEnabled(false);
  for (QComboBox* box : std::initializer_list<QComboBox*>{宽高比例, 动画滤镜, 前景计数})
    box->setFixedHeight(20);
  const int h = height();
  if (width() != 475) resize(475, h);
  if (h > 602) {
    if (h != rememberedHeight) {
      const int change = h - rememberedHeight;
      列表框->resize(列表框->width(), 列表框->height() + change);
      进度条b->move(进度条b->x(), 进度条b->y() + change);
      rememberedHeight = h;
    }
  } else {
    resize(475, 603);
  }
  setUpdatesEnabled(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (OnMainWindowCloseQuery())
    event->accept();
  else
    event->ignore();
}

void MainWindow::showEvent(QShowEvent* event) { QWidget::showEvent(event); }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  // After the drop has ended: the drag source is not kept waiting while the files are tried.
  QTimer::singleShot(0, this, [this, paths] { AddVideoFiles(paths); });
}
