#include "app/main_window.h"

// Not yet built.
void MainWindow::ActivateWidthBox() {}
void MainWindow::ActivateHeightBox() {}
bool MainWindow::WidthBoxActive() const { return false; }
bool MainWindow::EvenDown(int&) { return false; }
int MainWindow::RatioDimension(int) const { return 0; }
void MainWindow::OnRatioSelected(int) {}
void MainWindow::OnRatioCalculate() {}
int MainWindow::UpdateForegroundCount(int, int) { return 0; }
void MainWindow::HideForegroundCount() {}
void MainWindow::OnAutoBitrateClicked() {}
void MainWindow::ApplyAudioRule() {}
void MainWindow::OnMuteClicked() {}
void MainWindow::ClearBackground() {}
void MainWindow::ClearAnimation() {}
void MainWindow::ClearAudio() {}
void MainWindow::ShowSourceInfo(SourceKind) {}
void MainWindow::ShowGifPreview(const QString&, int, int) {}
void MainWindow::HidePreview() {}
void MainWindow::RestoreDefault(QLabel*) {}
void MainWindow::OnClockTick() {}
QString MainWindow::FormatElapsed(int) { return {}; }
void MainWindow::ShowResultInFileManager() {}
void MainWindow::OpenHomePage() {}
