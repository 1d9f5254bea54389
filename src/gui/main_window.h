#pragma once
// The main window: its form (main_window.ui, private) and three controllers, each with one
// job and the state of that job: the task being prepared (TaskEditor), the task list
// (TaskListController) and the batch (BatchView). The window itself builds the form, routes
// the controls' events to the controllers and keeps the resize rule. Tests drive it through
// object names: the controls', and the controllers' ("TaskEditor", "TaskListController",
// "BatchView").
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "gui/desktop_notification.h"
#include "gui/dialogs.h"

class BatchView;
class PreviewController;
class PublishPart;
class TaskEditor;
class TaskListController;
namespace app {
class TaskListModel;
}
namespace Ui {
class MainWindow;
}

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // The window's least height, which it opens with: the client area down to the bottom strip.
  // (The Windows layout's 603 pixels counted the title bar and the frame, which a Linux
  // window manager adds around the client area.)
  static constexpr int kHeight = 567;
  // `dialogs` answers every message box and file dialog; the real ones when null.
  explicit MainWindow(Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  Dialogs& dialogs() { return *dialogs_; }
  // The command line's files: task lists (.json) are loaded, the rest added as videos.
  void OpenArguments(const QStringList& paths);
  const app::TaskListModel& taskList() const;
  // The start-up sequence (stray converters, presets, folders, an empty list); the
  // constructor runs it.
  void OnMainWindowCreated();
  // Ends the program after the close query; tests replace it.
  std::function<void(int)> exitProgram;
  // Tells the desktop how a batch ended while the window was not active; tests replace it.
  std::function<void(const app::BatchOutcome&)> notifyBatchEnded = [](const app::BatchOutcome& outcome) {
    app::NotifyBatchEnded(outcome);
  };

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();  // main_window_layout.cpp
  void ConnectControls();
  void OpenHomePage();

  std::unique_ptr<Ui::MainWindow> ui;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_ = nullptr;
  TaskEditor* editor_ = nullptr;
  TaskListController* tasks_ = nullptr;
  BatchView* batch_ = nullptr;
  PreviewController* previews_ = nullptr;
  PublishPart* publish_ = nullptr;
  int rememberedHeight_ = kHeight;  // the height the resize rule measures from
};
