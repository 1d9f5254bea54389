#pragma once
// A short note in the window's bottom strip (the notice label 版权) that says what an action
// did; the notice comes back a few seconds later, or at once when another note replaces it.
class QLabel;
class QString;

namespace gui {

inline constexpr int kStatusNoteMs = 5000;

void ShowStatusNote(QLabel* strip, const QString& note);

}  // namespace gui
