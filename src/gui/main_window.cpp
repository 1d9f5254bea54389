#include "gui/main_window.h"
#include "ui_main_window.h"

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
  return {{{ui->动画滤镜, -1, kOffBlendMode},
           {ui->背景模糊, -1, kOffBackgroundBlur},
           {ui->动画模糊, -1, kOffAnimationBlur},
           {ui->动画透明, -1, kOffAnimationOpacity},
           {ui->自动码率, kTickAutoBitrate, kOffAutoBitrate},
           {ui->前景音, kTickForegroundSound, kOffForegroundSound},
           {ui->背景音, kTickBackgroundSound, kOffBackgroundSound},
           {ui->音乐, kTickMusic, kOffMusic},
           {ui->静音, kTickMute, kOffMute},
           {ui->音频淡入, kTickAudioFadeIn, kOffAudioFadeIn},
           {ui->音频淡出, kTickAudioFadeOut, kOffAudioFadeOut},
           {ui->上下跃动, kTickBounceVertical, kOffBounceVertical},
           {ui->左右跃动, kTickBounceHorizontal, kOffBounceHorizontal},
           {ui->迷幻, kTickPsychedelic, kOffPsychedelic},
           {ui->分量色变, kTickColourShift, kOffColourShift},
           {ui->降噪, kTickDenoise, kOffDenoise},
           {ui->柔化, kTickSoften, kOffSoften},
           {ui->前景镜像, kTickMirror, kOffMirror},
           {ui->视频淡入, kTickVideoFadeIn, kOffVideoFadeIn},
           {ui->视频淡出, kTickVideoFadeOut, kOffVideoFadeOut},
           {ui->重帧优化, kTickDedupFrames, kOffDedupFrames},
           {ui->码率框, -1, kOffBitrateBox}}};
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
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->宽度框, ui->高度框, ui->前景框, ui->背景框, ui->动画框, ui->音乐框, ui->关闭, ui->版权,
           ui->宽度标签, ui->高度标签, ui->时长标签, ui->输出标签, ui->标签6, ui->标签14, ui->标签15,
           ui->上下跃动, ui->左右跃动, ui->分量色变, ui->迷幻})
    w->installEventFilter(this);

  connect(ui->宽高比例, &QComboBox::activated, this, &MainWindow::OnRatioSelected);
  connect(ui->比例计算, &QPushButton::clicked, this, &MainWindow::OnRatioCalculate);
  connect(ui->前景计数, &CountComboBox::aboutToOpen, this, [this] {
    if (!ui->宽度框->text().isEmpty() && !ui->高度框->text().isEmpty())
      UpdateForegroundCount(ui->宽度框->text().toInt(), ui->高度框->text().toInt());
  });
  connect(ui->前景计数, &QComboBox::activated, this,
          [this](int index) { current.selectedForegroundCount = index; });
  connect(ui->前景计数, &CountComboBox::focusGained, this, [this] {
    if (storedCount < 2) ui->前景计数->setEnabled(false);
  });
  connect(ui->自动码率, &QCheckBox::clicked, this, &MainWindow::OnAutoBitrateClicked);
  connect(ui->静音, &QCheckBox::clicked, this, &MainWindow::OnMuteClicked);
  for (QCheckBox* box : {ui->前景音, ui->背景音, ui->音乐})
    connect(box, &QCheckBox::clicked, this, &MainWindow::ApplyAudioRule);
  connect(ui->清空背景, &QPushButton::clicked, this, &MainWindow::ClearBackground);
  connect(ui->清空动画, &QPushButton::clicked, this, &MainWindow::ClearAnimation);
  connect(ui->清空音乐, &QPushButton::clicked, this, &MainWindow::ClearAudio);
  connect(时钟, &QTimer::timeout, this, &MainWindow::OnClockTick);
  connect(ui->列表框, &QTableView::doubleClicked, this, &MainWindow::ShowResultInFileManager);
  connect(ui->列表框, &QTableView::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowTaskMenu(ui->列表框->viewport()->mapToGlobal(pos)); });
  connect(ui->列表框, &QTableView::clicked, this, [this](const QModelIndex&) { LoadClickedTask(); });

  connect(ui->前景按钮, &QPushButton::clicked, this, [this] { PickSource(kForeground); });
  connect(ui->背景按钮, &QPushButton::clicked, this, [this] { PickSource(kBackground); });
  connect(ui->动画按钮, &QPushButton::clicked, this, [this] { PickSource(kAnimation); });
  connect(ui->音乐按钮, &QPushButton::clicked, this, [this] { PickSource(kAudio); });
  connect(ui->重载, &QPushButton::clicked, this, &MainWindow::ReloadForeground);

  connect(ui->新建任务, &QPushButton::clicked, this, &MainWindow::StartNewTask);
  connect(ui->保存任务, &QPushButton::clicked, this, &MainWindow::AddOrSaveTask);
  connect(ui->暂停执行, &QPushButton::clicked, this, &MainWindow::OnPauseClicked);
  connect(ui->开始执行, &QPushButton::clicked, this, &MainWindow::OnStartClicked);

  connect(menuClearState, &QAction::triggered, this, &MainWindow::ClearTaskState);
  connect(menuClearAllStates, &QAction::triggered, this, &MainWindow::ClearAllStates);
  connect(menuNewTask, &QAction::triggered, this, &MainWindow::StartNewTask);
  connect(menuCloneTask, &QAction::triggered, this, &MainWindow::CloneTask);
  connect(menuEditTask, &QAction::triggered, this, [this] {
    ui->操作框->setEnabled(true);
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
  if (event->type() == QEvent::FocusOut && (watched == ui->宽度框 || watched == ui->高度框)) {
    storedCount = UpdateForegroundCount(ui->宽度框->text().toInt(), ui->高度框->text().toInt());
    return false;
  }
  if (event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
  const auto button = static_cast<QMouseEvent*>(event)->button();
  if (button == Qt::LeftButton) {
    if (watched == ui->宽度框)
      ActivateWidthBox();
    else if (watched == ui->高度框)
      ActivateHeightBox();
    else if (watched == ui->前景框)
      ShowSourceInfo(kForeground);
    else if (watched == ui->背景框)
      ShowSourceInfo(kBackground);
    else if (watched == ui->动画框)
      ShowSourceInfo(kAnimation);
    else if (watched == ui->音乐框)
      ShowSourceInfo(kAudio);
    else if (watched == ui->关闭)
      HidePreview();
    else if (watched == ui->版权)
      OpenHomePage();
  } else if (button == Qt::RightButton) {
    if (watched == ui->上下跃动 || watched == ui->左右跃动 || watched == ui->分量色变 ||
        watched == ui->迷幻) {
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
  for (QComboBox* box : std::initializer_list<QComboBox*>{ui->宽高比例, ui->动画滤镜, ui->前景计数})
    box->setFixedHeight(20);
  const int h = height();
  if (width() != 475) resize(475, h);
  if (h > 602) {
    if (h != rememberedHeight) {
      const int change = h - rememberedHeight;
      ui->列表框->resize(ui->列表框->width(), ui->列表框->height() + change);
      ui->进度条b->move(ui->进度条b->x(), ui->进度条b->y() + change);
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
