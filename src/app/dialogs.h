#pragma once
// Every message box and the open-file dialog go through this interface, so that tests can
// answer them instead of a person.
#include <QString>
#include <optional>

class QWidget;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Error message box: error icon, title "错误信息", OK.
  virtual void ShowError(QWidget* owner, const QString& text) = 0;
  // Question: question icon, title "询问信息", Yes and No. True for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& text) = 0;
  // Open-file dialog; the chosen full path, or nothing when cancelled. `filter` is in Qt's
  // form ("动画文件（*.gif） (*.gif)"), empty for all files.
  virtual std::optional<QString> OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                          const QString& filter) = 0;
};

// The real dialogs: QMessageBox and QFileDialog, owned by `owner`.
class WidgetDialogs : public Dialogs {
 public:
  void ShowError(QWidget* owner, const QString& text) override;
  bool AskYesNo(QWidget* owner, const QString& text) override;
  std::optional<QString> OpenFile(QWidget* owner, const QString& title, const QString& folder,
                                  const QString& filter) override;
};
