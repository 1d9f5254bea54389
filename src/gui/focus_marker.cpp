#include "gui/focus_marker.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int kMargin = 2;  // the frame lies just outside the control
}  // namespace

FocusMarker::FocusMarker(QWidget* window) : QWidget(window) {
  setObjectName(QStringLiteral("焦点框"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusMarker::Follow(QWidget* focused) {
  if (target_ && target_ != focused) target_->removeEventFilter(this);
  QWidget* w = parentWidget();
  target_ = focused && focused != w && w->isAncestorOf(focused) ? focused : nullptr;
  if (!target_) {
    hide();
    return;
  }
  // Moves, resizes and hides of the control (a panel shown or hidden, the list growing).
  target_->installEventFilter(this);
  const QRect r(target_->mapTo(w, QPoint(0, 0)), target_->size());
  setGeometry(r.adjusted(-kMargin, -kMargin, kMargin, kMargin));
  setVisible(target_->isVisible());
  raise();
}

bool FocusMarker::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                             event->type() == QEvent::Show || event->type() == QEvent::Hide))
    Follow(target_);
  return false;
}

void FocusMarker::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::Highlight), kMargin));
  p.drawRect(rect().adjusted(1, 1, -1, -1));
}
