#pragma once
// The crash report as the user sees it: the window's reporter process
// (`flipframe --crash-report FILE`) shows it, and a report that could not be shown when the
// crash happened is offered once at the next start of the window.
#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QPlainTextEdit;

namespace app {

// Switch on once the window's menu offers "恢复上次的任务列表": the dialog then tells the
// user that the task list can be brought back from there.
inline constexpr bool kTaskListRestoreInMenu = true;

class CrashDialog : public QDialog {
  Q_OBJECT

 public:
  // Reads and symbolises the report at `reportPath` (addr2line runs here).
  CrashDialog(QWidget* parent, const QString& reportPath);
  // What 复制报告 copies: the report file's text, then the stack with function names.
  const QString& wholeReport() const { return whole_; }

 private:
  QString path_, whole_;
};

// `flipframe --crash-report FILE` once the application exists: shows the dialog, removes the
// report's marker and runs until the dialog is closed. 1 when the report cannot be read.
int ShowCrashReport(const QString& reportPath);

// At the window's start: the newest report in `folder` that was never shown gets its dialog
// (not modal, deleted on close); every such report's marker is removed, so it is offered once.
// Returns the dialog, or nullptr when there was nothing to offer.
CrashDialog* OfferUnshownCrashReport(QWidget* window, const std::string& folder);

}  // namespace app
