#include "app/main_window.h"

// Not yet built.
void MainWindow::ShowTaskMenu(const QPoint&) {}
void MainWindow::LoadClickedTask() {}
void MainWindow::StartNewTask() {}
void MainWindow::ClearTaskState() {}
void MainWindow::ClearAllStates() {}
void MainWindow::DeleteTask() {}
void MainWindow::ClearAllTasks() {}
void MainWindow::MoveTaskToTop() {}
void MainWindow::MoveTaskToBottom() {}
void MainWindow::RenumberRows(int) {}
int MainWindow::SelectedRow() const { return -1; }
