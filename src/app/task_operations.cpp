#include "app/main_window.h"

// Not yet built.
void MainWindow::AddOrSaveTask() {}
void MainWindow::LoadTaskForEdit() {}
void MainWindow::ShowTask(const task::TaskRecord&) {}
void MainWindow::CloneTask() {}
void MainWindow::NewTask() {}
void MainWindow::WriteRowCells(int, const task::TaskRecord&) {}
