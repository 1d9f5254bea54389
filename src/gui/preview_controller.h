#pragma once
// Opens the preview window: for the task being prepared (Ctrl+P, or "预览当前设置" in the
// list's pop-up menu), drawn again whenever a setting changes, or for a stored task
// ("预览" of the selected row). One preview window at a time.
#include <memory>

#include "gui/window_part.h"

namespace app {
class PreviewWindow;
}

class PreviewController : public WindowPart {
  Q_OBJECT

 public:
  PreviewController(MainWindow& window, Ui::MainWindow* ui, const char* name);
  ~PreviewController() override;

  void PreviewPreparedTask();
  void PreviewStoredTask();  // the selected row
  // Ends the preview's work and removes its clips (the program is about to end).
  void ClosePreview();

 private:
  void Open(bool prepared, int row);
  void WatchSettings();
  void SetCropPlace(int percent);

  std::unique_ptr<app::PreviewWindow> preview_;
  bool followsSettings_ = false;  // the shown preview is of the task being prepared
  bool watching_ = false;         // the settings' change signals are connected
};
