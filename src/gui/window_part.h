#pragma once
// What the controllers of the main window share: the window (the parent of their dialogs),
// its form, its dialogs and one another; and the waits that keep the window responsive.
#include <QObject>

#include <functional>

#include "task/control_rules.h"

class BatchView;
class Dialogs;
class MainWindow;
class PreviewController;
class TaskEditor;
class TaskListController;
class QWidget;
namespace Ui {
class MainWindow;
}

using task::SourceKind;
using enum task::SourceKind;

namespace gui {

// True when the control itself is enabled (its own flag, whatever its panel's state).
bool OwnEnabled(const QWidget* w);
// Runs the event loop for `ms` milliseconds: the window stays responsive.
void ResponsiveWait(int ms);
// A responsive wait of at most `ms` that WakeWorkerWait() ends early: the GUI thread waits
// for a probe or task worker this way, and the worker's last queued update wakes it.
void WaitForWorkerUpdate(int ms);
void WakeWorkerWait();
// Runs `work` on a worker thread and returns once it has ended; meanwhile the window stays
// responsive, so what `work` touches must be what no event of the window touches.
void ResponsiveRun(const std::function<void()>& work);

}  // namespace gui

// One controller of the window; its object name lets tests find it as they find controls.
class WindowPart : public QObject {
 public:
  WindowPart(MainWindow& window, Ui::MainWindow* ui, const char* name);

 protected:
  Dialogs& dialogs() const;

  MainWindow& window;
  Ui::MainWindow* ui;
  TaskEditor* editor = nullptr;
  TaskListController* tasks = nullptr;
  BatchView* batch = nullptr;
  PreviewController* previews = nullptr;

  friend class MainWindow;  // wires the parts to one another
};
