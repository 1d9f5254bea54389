#include "app/main_window.h"

// Not yet built.
void MainWindow::ReadTaskFromControls(task::TaskRecord&) {}
bool MainWindow::ValidateTask() { return false; }
std::string MainWindow::BuildCommandFor(task::TaskRecord&, bool) { return {}; }
