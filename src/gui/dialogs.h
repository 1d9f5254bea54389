#pragma once
// Every message box and file dialog goes through this interface, so that tests can
// answer them instead of a person.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Error message box: error icon, title "错误信息", OK.
  virtual void ShowError(QWidget* owner, const QString& text) = 0;
  // Warning message box, for work done only in part: warning icon, title "警告信息", OK.
  virtual void ShowWarning(QWidget* owner, const QString& text) = 0;
  // Question: question icon, title "询问信息", Yes and No. True for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& text) = 0;
  // Open-file dialog; the chosen full path, or nothing when cancelled. `filter` is in Qt's
  // form ("动画文件（*.gif） (*.gif)"), empty for all files.
  virtual std::optional<QString> OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                          const QString& filter) = 0;
  // Open-file dialog that takes several files; empty when cancelled.
  virtual QStringList OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                                const QString& filter) = 0;
  // Save-file dialog (asks before replacing a file); the chosen path, or nothing.
  virtual std::optional<QString> SaveFile(QWidget* owner, const QString& title, const QString& folder,
                                          const QString& filter) = 0;
  // "查看日志" for one task: the converter's kept output ("" none) and its command as a shell
  // line; read only, closed by the user.
  virtual void ShowLog(QWidget* owner, const QString& log, const QString& commandLine) = 0;
};

// The real dialogs: QMessageBox, the file dialog (gui/file_dialog.h) and the log dialog, owned by `owner`.
class WidgetDialogs : public Dialogs {
 public:
  void ShowError(QWidget* owner, const QString& text) override;
  void ShowWarning(QWidget* owner, const QString& text) override;
  bool AskYesNo(QWidget* owner, const QString& text) override;
  std::optional<QString> OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                  const QString& filter) override;
  QStringList OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                        const QString& filter) override;
  std::optional<QString> SaveFile(QWidget* owner, const QString& title, const QString& folder,
                                  const QString& filter) override;
  void ShowLog(QWidget* owner, const QString& log, const QString& commandLine) override;
};
