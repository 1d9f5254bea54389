#include "gui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "gui/log_dialog.h"

void WidgetDialogs::ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("错误信息"), text, QMessageBox::Ok, owner);
  box.raise();
  box.exec();
}

bool WidgetDialogs::AskYesNo(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("询问信息"), text, QMessageBox::Yes | QMessageBox::No,
                  owner);
  box.raise();
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetDialogs::OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                               const QString& filter) {
  QString path = QFileDialog::getOpenFileName(owner, title, folder, filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

QStringList WidgetDialogs::OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                                     const QString& filter) {
  return QFileDialog::getOpenFileNames(owner, title, folder, filter);
}

std::optional<QString> WidgetDialogs::SaveFile(QWidget* owner, const QString& title, const QString& folder,
                                               const QString& filter) {
  QString path = QFileDialog::getSaveFileName(owner, title, folder, filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

void WidgetDialogs::ShowLog(QWidget* owner, const QString& log, const QString& commandLine) {
  app::LogDialog dialog(owner, log, commandLine);
  dialog.exec();
}
