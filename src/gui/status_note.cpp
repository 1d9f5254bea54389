#include "gui/status_note.h"

#include <QLabel>
#include <QTimer>

namespace gui {

void ShowStatusNote(QLabel* strip, const QString& note) {
  // The notice is kept on the label itself, so that notes in a row end on the notice.
  const char* const kNotice = "flipframeNotice";
  const char* const kNoteTimer = "flipframeNoteTimer";
  if (!strip->property(kNotice).isValid()) strip->setProperty(kNotice, strip->text());
  auto* timer = strip->property(kNoteTimer).value<QTimer*>();
  if (!timer) {
    timer = new QTimer(strip);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, strip, [strip, kNotice] {
      strip->setText(strip->property(kNotice).toString());
      strip->setProperty(kNotice, QVariant());
    });
    strip->setProperty(kNoteTimer, QVariant::fromValue(timer));
  }
  strip->setText(note);
  timer->start(kStatusNoteMs);
}

}  // namespace gui
