#pragma once
// A real main window for widget tests: scripted dialogs, a temporary program folder (so
// de.ini and converter ownership stay inside the test), controls found by object name.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "platform/platform.h"
#include "support/media.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programFolder_ = testing_support::TempFolder() + "/program-" + std::to_string(++counter_);
    plat::MakeDirs(programFolder_);
    plat::SetProgramFolderForTesting(programFolder_);
    // The session list lives beside a program that is not installed; an installed one started
    // by a test keeps it under XDG_STATE_HOME: never a folder another test shares.
    setenv("XDG_STATE_HOME", (programFolder_ + "/state").c_str(), 1);
    window = std::make_unique<MainWindow>(&dialogs);
    window->exitProgram = [this](int code) { exitCode = code; };
  }
  void TearDown() override {
    window.reset();
    plat::SetProgramFolderForTesting(testing_support::OwnProgramFolder());
  }

  // The control with this object name; fails the test when there is none of that type.
  template <typename T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << "no control named " << name;
    return w;
  }

  // The window's controllers, by object name as its controls.
  TaskEditor& Editor() { return *Find<TaskEditor>("TaskEditor"); }
  TaskListController& Tasks() { return *Find<TaskListController>("TaskListController"); }
  BatchView& Batch() { return *Find<BatchView>("BatchView"); }

  // The task list's pop-up menu entry with this caption.
  QAction* MenuEntry(const char* caption) {
    if (QMenu* menu = Find<QMenu>("菜单"))
      for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(caption)) return a;
    ADD_FAILURE() << "no menu entry " << caption;
    return nullptr;
  }

  const std::string& programFolder() const { return programFolder_; }

  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
  int exitCode = -1;

 private:
  std::string programFolder_;
  static inline int counter_ = 0;
};
