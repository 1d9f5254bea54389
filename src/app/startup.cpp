#include "app/main_window.h"

// Not yet built.
void MainWindow::OnMainWindowCreated() {}
void MainWindow::LoadEffectPresets() {}
const std::string& MainWindow::EffectFilter(int effect) const { return effectFilters[size_t(effect - 1)]; }
bool MainWindow::OnMainWindowCloseQuery() { return true; }
void MainWindow::OnPauseClicked() {}
