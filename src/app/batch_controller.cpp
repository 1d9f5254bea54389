#include "app/main_window.h"

// Not yet built.
void MainWindow::OnStartClicked() {}
void MainWindow::RunTrial() {}
