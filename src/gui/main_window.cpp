#include "gui/main_window.h"
#include "gui/preview_controller.h"
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

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gui/batch_view.h"
#include "gui/focus_marker.h"
#include "gui/publish_part.h"
#include "gui/ratio_table.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"

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
  BuildControls();
  editor_ = new TaskEditor(*this, ui.get(), "TaskEditor");
  tasks_ = new TaskListController(*this, ui.get(), "TaskListController");
  batch_ = new BatchView(*this, ui.get(), "BatchView");
  previews_ = new PreviewController(*this, ui.get(), "PreviewController");
  for (WindowPart* part : std::initializer_list<WindowPart*>{editor_, tasks_, batch_, previews_}) {
    part->editor = editor_;
    part->tasks = tasks_;
    part->batch = batch_;
    part->previews = previews_;
  }
  publish_ = new PublishPart(*this, ui.get(), "PublishPart");
  publish_->batch = batch_;
  publish_->editor = editor_;
  connect(publish_, &PublishPart::targetChosen, editor_, &TaskEditor::OnTargetChosen);
  connect(publish_, &PublishPart::textsEdited, editor_, &TaskEditor::OnTextsEdited);
  connect(publish_, &PublishPart::logoEdited, editor_, &TaskEditor::OnLogoEdited);
  connect(publish_, &PublishPart::moreTargetsChosen, editor_, &TaskEditor::OnMoreTargetsChosen);
  connect(editor_, &TaskEditor::publishShown, publish_, &PublishPart::Show);
  editor_->ratioTable = app::kRatioTable;
  batch_->runner = batch_->MakeBatchRunner();
  ConnectControls();
  new FocusMarker(this);
  // Files and folders dropped on the window or the list become tasks (the list passes its
  // drops up to the window).
  setAcceptDrops(true);
  OnMainWindowCreated();
}

MainWindow::~MainWindow() = default;

void MainWindow::OpenArguments(const QStringList& paths) { tasks_->OpenArguments(paths); }

const app::TaskListModel& MainWindow::taskList() const { return *tasks_->taskList; }

WindowPart::WindowPart(MainWindow& w, Ui::MainWindow* form, const char* name)
    : QObject(&w), window(w), ui(form) {
  setObjectName(QString::fromUtf8(name));
}

Dialogs& WindowPart::dialogs() const { return window.dialogs(); }

namespace gui {

bool OwnEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

void ResponsiveWait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

namespace {
QEventLoop* g_workerWait = nullptr;  // the innermost WaitForWorkerUpdate, if any
}  // namespace

void WaitForWorkerUpdate(int ms) {
  QEventLoop loop;
  QEventLoop* outer = g_workerWait;
  g_workerWait = &loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
  g_workerWait = outer;
}

void WakeWorkerWait() {
  if (g_workerWait) g_workerWait->quit();
}

void ResponsiveRun(const std::function<void()>& work) {
  constexpr int kWaitMs = 500;  // a wake-up is queued at the end; this only bounds a lost one
  std::atomic<bool> done = false;
  std::thread worker([&] {
    work();
    done = true;
    QMetaObject::invokeMethod(
        qApp, [] { WakeWorkerWait(); }, Qt::QueuedConnection);
  });
  while (!done) WaitForWorkerUpdate(kWaitMs);
  worker.join();
}

}  // namespace gui

void MainWindow::ConnectControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->宽度框, ui->高度框, ui->前景框, ui->背景框, ui->动画框, ui->音乐框, ui->关闭, ui->版权,
           ui->宽度标签, ui->高度标签, ui->时长标签, ui->输出标签, ui->标签6, ui->标签14, ui->标签15,
           ui->上下跃动, ui->左右跃动, ui->分量色变, ui->迷幻})
    w->installEventFilter(this);

  connect(ui->宽高比例, &QComboBox::activated, editor_, &TaskEditor::OnRatioSelected);
  connect(ui->比例计算, &QPushButton::clicked, editor_, &TaskEditor::OnRatioCalculate);
  connect(ui->前景计数, &CountComboBox::aboutToOpen, this, [this] {
    if (!ui->宽度框->text().isEmpty() && !ui->高度框->text().isEmpty())
      editor_->UpdateForegroundCount(ui->宽度框->text().toInt(), ui->高度框->text().toInt());
  });
  connect(ui->前景计数, &QComboBox::activated, this,
          [this](int index) { editor_->current.selectedForegroundCount = index; });
  connect(ui->前景计数, &CountComboBox::focusGained, this, [this] {
    if (editor_->storedCount < 2) ui->前景计数->setEnabled(false);
  });
  connect(ui->自动码率, &QCheckBox::clicked, editor_, &TaskEditor::OnAutoBitrateClicked);
  connect(ui->静音, &QCheckBox::clicked, editor_, &TaskEditor::OnMuteClicked);
  for (QCheckBox* box : {ui->前景音, ui->背景音, ui->音乐})
    connect(box, &QCheckBox::clicked, editor_, &TaskEditor::ApplyAudioRule);
  connect(ui->清空背景, &QPushButton::clicked, editor_, &TaskEditor::ClearBackground);
  connect(ui->清空动画, &QPushButton::clicked, editor_, &TaskEditor::ClearAnimation);
  connect(ui->清空音乐, &QPushButton::clicked, editor_, &TaskEditor::ClearAudio);
  connect(batch_->时钟, &QTimer::timeout, batch_, &BatchView::OnClockTick);

  connect(ui->前景按钮, &QPushButton::clicked, this, [this] { editor_->PickSource(kForeground); });
  connect(ui->背景按钮, &QPushButton::clicked, this, [this] { editor_->PickSource(kBackground); });
  connect(ui->动画按钮, &QPushButton::clicked, this, [this] { editor_->PickSource(kAnimation); });
  connect(ui->音乐按钮, &QPushButton::clicked, this, [this] { editor_->PickSource(kAudio); });
  connect(ui->重载, &QPushButton::clicked, editor_, &TaskEditor::ReloadForeground);

  connect(ui->新建任务, &QPushButton::clicked, tasks_, &TaskListController::StartNewTask);
  connect(ui->保存任务, &QPushButton::clicked, editor_, &TaskEditor::AddOrSaveTask);
  connect(ui->暂停执行, &QPushButton::clicked, batch_, &BatchView::OnPauseClicked);
  connect(ui->开始执行, &QPushButton::clicked, batch_, &BatchView::OnStartClicked);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == ui->宽度框 || watched == ui->高度框)) {
    editor_->storedCount =
        editor_->UpdateForegroundCount(ui->宽度框->text().toInt(), ui->高度框->text().toInt());
    return false;
  }
  if (event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
  const auto button = static_cast<QMouseEvent*>(event)->button();
  if (button == Qt::LeftButton) {
    if (watched == ui->宽度框)
      editor_->ActivateWidthBox();
    else if (watched == ui->高度框)
      editor_->ActivateHeightBox();
    else if (watched == ui->前景框)
      editor_->ShowSourceInfo(kForeground);
    else if (watched == ui->背景框)
      editor_->ShowSourceInfo(kBackground);
    else if (watched == ui->动画框)
      editor_->ShowSourceInfo(kAnimation);
    else if (watched == ui->音乐框)
      editor_->ShowSourceInfo(kAudio);
    else if (watched == ui->关闭)
      editor_->HidePreview();
    else if (watched == ui->版权)
      OpenHomePage();
  } else if (button == Qt::RightButton) {
    if (watched == ui->上下跃动 || watched == ui->左右跃动 || watched == ui->分量色变 ||
        watched == ui->迷幻) {
      editor_->LoadEffectPresets();
      return true;  // a right click never changes the tick
    }
    if (auto* label = qobject_cast<QLabel*>(watched)) editor_->RestoreDefault(label);
  }
  return QWidget::eventFilter(watched, event);
}

// Width stays 475; height never below kHeight; the list and the bottom strip follow a taller
// window, and shrink back with it.
void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  setUpdatesEnabled(false);
  for (QComboBox* box : std::initializer_list<QComboBox*>{ui->宽高比例, ui->动画滤镜, ui->前景计数})
    box->setFixedHeight(20);
  const int h = height();
  if (width() != 475) resize(475, h);
  if (h >= kHeight) {
    if (h != rememberedHeight_) {
      const int change = h - rememberedHeight_;
      ui->列表框->resize(ui->列表框->width(), ui->列表框->height() + change);
      ui->进度条b->move(ui->进度条b->x(), ui->进度条b->y() + change);
      rememberedHeight_ = h;
    }
  } else {
    resize(475, kHeight);
  }
  setUpdatesEnabled(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (batch_->OnMainWindowCloseQuery())
    event->accept();
  else
    event->ignore();
}

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
  QTimer::singleShot(0, this, [this, paths] { tasks_->AddVideoFiles(paths); });
}
