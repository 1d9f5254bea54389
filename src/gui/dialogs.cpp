#include "gui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "gui/file_dialog.h"
#include "gui/log_dialog.h"

void WidgetDialogs::ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("错误信息"), text, QMessageBox::Ok, owner);
  box.raise();
  box.exec();
}

void WidgetDialogs::ShowWarning(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("警告信息"), text, QMessageBox::Ok, owner);
  box.raise();
  box.exec();
}

bool WidgetDialogs::AskYesNo(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("询问信息"), text, QMessageBox::Yes | QMessageBox::No,
                  owner);
  box.raise();
  return box.exec() == QMessageBox::Yes;
}

namespace {

// The chosen files, none when the dialog was cancelled.
QStringList RunFileDialog(QWidget* owner, const QString& title, const QString& folder, const QString& filter,
                          app::FileDialogMode mode) {
  const std::unique_ptr<QFileDialog> dialog = app::MakeFileDialog(owner, title, folder, filter, mode);
  if (dialog->exec() != QDialog::Accepted) return {};
  return dialog->selectedFiles();
}

}  // namespace

std::optional<QString> WidgetDialogs::OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                               const QString& filter) {
  const QStringList chosen = RunFileDialog(owner, title, folder, filter, app::FileDialogMode::OpenOne);
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first();
}

QStringList WidgetDialogs::OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                                     const QString& filter) {
  return RunFileDialog(owner, title, folder, filter, app::FileDialogMode::OpenMany);
}

std::optional<QString> WidgetDialogs::SaveFile(QWidget* owner, const QString& title, const QString& folder,
                                               const QString& filter) {
  const QStringList chosen = RunFileDialog(owner, title, folder, filter, app::FileDialogMode::Save);
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first();
}

void WidgetDialogs::ShowLog(QWidget* owner, const QString& log, const QString& commandLine) {
  app::LogDialog dialog(owner, log, commandLine);
  dialog.exec();
}
