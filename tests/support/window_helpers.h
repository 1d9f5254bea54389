#pragma once
// Shared pieces of the window tests: small file helpers, the items of a list box, a
// responsive wait for a condition, and a fixture with short names for the window, the
// pickers (answered through the scripted dialogs) and fresh folders.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <fstream>
#include <iterator>
#include <string>

#include "support/window_fixture.h"

namespace window_helpers {

inline const char* const kPlaceholder = "留空则复制前景视频制作背景视频(推荐)";

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder of its own under the test process's temporary folder.
inline std::string NewFolder(const std::string& name) {
  static int n = 0;
  const std::string folder = testing_support::TempFolder() + "/" + std::to_string(++n) + "-" + name;
  plat::MakeDirs(folder);
  return folder;
}

// A one-byte file `name` in `folder`; its path.
inline std::string MakeFile(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  WriteFile(path, "x");
  return path;
}

inline QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// Keeps the event loop running until `done` holds or about five seconds have passed.
template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 500 && !done(); ++i) gui::ResponsiveWait(10);
  return done();
}

}  // namespace window_helpers

class WindowCase : public WindowTest {
 protected:
  MainWindow& w() { return *window; }
  static bool On(QWidget* c) { return gui::OwnEnabled(c); }

  // The ticked ones of the audio switches, by name, in the panel's order.
  QString TickedAudio() {
    QStringList ticked;
    for (QCheckBox* b : {Find<QCheckBox>("静音"), Find<QCheckBox>("前景音"), Find<QCheckBox>("背景音"),
                         Find<QCheckBox>("音乐"), Find<QCheckBox>("音频淡入"), Find<QCheckBox>("音频淡出")})
      if (b->isChecked()) ticked << b->objectName();
    return ticked.join(' ');
  }

  // The user clicks `picker` and chooses `path` in the dialog; the click returns after the
  // probe job has been handled.
  void Pick(QPushButton* picker, const std::string& path) {
    dialogs.fileAnswers.push_back(window_helpers::Q(path));
    picker->click();
  }
  void PickForeground(const std::string& path) { Pick(Find<QPushButton>("前景按钮"), path); }
};
