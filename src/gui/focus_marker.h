#pragma once
// A frame drawn around the control that has the keyboard focus, so that a user working with
// Tab, the arrow keys, Enter and Delete sees where the keys go: the window's style marks the
// focus too faintly on some controls (check boxes, sliders, the task list) to find it.
#include <QPointer>
#include <QWidget>

class FocusMarker : public QWidget {
  Q_OBJECT

 public:
  // Follows the focus among `window`'s controls; named "焦点框".
  explicit FocusMarker(QWidget* window);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Follow(QWidget* focused);

  QPointer<QWidget> target_;  // null once the control is gone
};
