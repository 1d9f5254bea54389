#include "gui/status_note.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

StatusNote::StatusNote(QWidget* window, QLabel* label, QLabel* notice)
    : QObject(window), window_(window), label_(label), notice_(notice) {}

void StatusNote::Show(const QString& text) {
  if (!label_->isVisibleTo(label_->parentWidget())) {
    noticeWasVisible_ = notice_->isVisibleTo(notice_->parentWidget());
    qApp->installEventFilter(this);
  }
  label_->setText(text);
  label_->setToolTip(text);  // a long note may be cut at the strip's width
  notice_->hide();
  label_->show();
}

void StatusNote::Clear() {
  if (!label_->isVisibleTo(label_->parentWidget())) return;
  qApp->removeEventFilter(this);
  label_->hide();
  label_->clear();
  if (noticeWasVisible_) notice_->show();
}

QString StatusNote::text() const {
  return label_->isVisibleTo(label_->parentWidget()) ? label_->text() : QString();
}

bool StatusNote::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress || type == QEvent::Drop) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget && widget->window() == window_) Clear();
  }
  return false;
}
