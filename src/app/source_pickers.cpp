#include "app/main_window.h"

// Not yet built.
void MainWindow::PickSource(SourceKind) {}
void MainWindow::ReloadForeground() {}
void MainWindow::ProbeRequest(const QString&, SourceKind) {}
void MainWindow::ResetForeground() {}
