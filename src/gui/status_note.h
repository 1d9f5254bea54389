#pragma once
// A short note in the window's bottom strip (状态提示: how a batch ended, what was added),
// shown in the notice's place until the user's next action in the window: a click, a key or
// a drop. The notice comes back then, unless something else had hidden it meanwhile.
#include <QObject>
#include <QString>

class QLabel;
class QWidget;

class StatusNote : public QObject {
 public:
  // The note is the form's `label` (状态提示), over `notice` and left of the strip's combos,
  // which stay in the strip between batches; `window` is where an action clears it.
  StatusNote(QWidget* window, QLabel* label, QLabel* notice);

  void Show(const QString& text);
  void Clear();
  QString text() const;  // "" when no note is shown

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  QLabel* label_;
  QLabel* notice_;
  bool noticeWasVisible_ = false;
};
