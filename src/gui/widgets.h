#pragma once
// Small widget classes the form needs beyond the stock ones.
#include <QComboBox>

// The foreground-count list: reports when its drop-down is about to open and when it
// gains the focus.
class CountComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override {
    emit aboutToOpen();
    QComboBox::showPopup();
  }

 signals:
  void aboutToOpen();
  void focusGained();

 protected:
  void focusInEvent(QFocusEvent* e) override {
    QComboBox::focusInEvent(e);
    emit focusGained();
  }
};
