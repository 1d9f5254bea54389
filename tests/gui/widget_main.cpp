// Widget tests run the real main window on Qt's offscreen platform under GoogleTest.
#include <gtest/gtest.h>
#include <QApplication>

#include <cstdlib>

#include "gui/qt_translations.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  app::InstallChineseQtTranslations(app);  // as main() does: Qt's own texts in Chinese
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
