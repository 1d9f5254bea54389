#include "gui/preview_controller.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QShortcut>
#include <QSlider>

#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "pipeline/settings_area.h"
#include "store/utf8.h"
#include "ui_main_window.h"

PreviewController::PreviewController(MainWindow& w, Ui::MainWindow* form, const char* name)
    : WindowPart(w, form, name) {
  auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+P")), &window);
  shortcut->setObjectName(QStringLiteral("预览快捷键"));
  connect(shortcut, &QShortcut::activated, this, &PreviewController::PreviewPreparedTask);
}

PreviewController::~PreviewController() = default;

void PreviewController::PreviewPreparedTask() { Open(true, -1); }

void PreviewController::PreviewStoredTask() {
  const int row = tasks->SelectedRow();
  if (row >= 0) Open(false, row);
}

void PreviewController::Open(bool prepared, int row) {
  app::PreviewWindow::TaskSource source;
  if (prepared) {
    source = [this](QString* why) -> std::optional<task::TaskRecord> {
      if (task::Unquote(editor->current.foregroundPath).empty()) {
        *why = QString::fromUtf8(kNoForegroundMessage);
        return std::nullopt;
      }
      pipeline::SettingsArea area = editor->ReadSettingsArea();
      task::TaskRecord r = editor->current;
      const task::ValidationOutcome valid = pipeline::ValidateSettings(area, r);
      if (!valid.ok) {
        *why = app::FromUtf8(valid.message);
        return std::nullopt;
      }
      // Every setting as 保存任务 stores it (画面, 快速背景 and 编码速度 included), so the
      // prepared task and the same task stored preview alike.
      pipeline::ReadTask(area, r);
      return r;
    };
  } else {
    // The stored task as it is now; it may have been deleted or moved since.
    const QPersistentModelIndex index(tasks->taskList->index(row, 0));
    source = [this, index](QString* why) -> std::optional<task::TaskRecord> {
      if (!index.isValid()) {
        *why = QStringLiteral("这个任务已不在任务列表中。");
        return std::nullopt;
      }
      return tasks->taskList->task(index.row());
    };
  }
  std::array<std::string, 4> filters;
  for (int e = 1; e <= 4; ++e) filters[size_t(e - 1)] = editor->EffectFilter(e);
  preview_ = std::make_unique<app::PreviewWindow>(std::move(source), filters, &window);
  followsSettings_ = prepared;
  preview_->setCropAdjustable(prepared);
  connect(preview_.get(), &app::PreviewWindow::cropPlaceChosen, this, &PreviewController::SetCropPlace);
  if (prepared) WatchSettings();
  preview_->show();
  preview_->raise();
}

// The place dragged in the preview becomes the prepared task's, as 保存任务 will store it.
void PreviewController::SetCropPlace(int percent) {
  task::CanvasLayout layout = editor->ReadSettingsArea().layout;
  if (layout.kind != task::LayoutKind::Crop) return;
  layout.cropPercent = percent;
  editor->current.layout = layout;
  if (preview_) preview_->refresh();
}

void PreviewController::ClosePreview() { preview_.reset(); }

// Every control of the settings and source areas tells the preview of the prepared task that
// it changed; the preview waits for a quiet moment before it draws again.
void PreviewController::WatchSettings() {
  if (watching_) return;
  watching_ = true;
  auto changed = [this] {
    if (preview_ && followsSettings_ && preview_->isVisible()) preview_->settingsChanged();
  };
  for (QWidget* area : {static_cast<QWidget*>(ui->操作框), static_cast<QWidget*>(ui->路径框),
                        static_cast<QWidget*>(ui->进度条b)}) {
    for (QLineEdit* box : area->findChildren<QLineEdit*>())
      connect(box, &QLineEdit::textChanged, this, changed);
    for (QComboBox* box : area->findChildren<QComboBox*>())
      connect(box, &QComboBox::currentIndexChanged, this, changed);
    for (QAbstractButton* box : area->findChildren<QAbstractButton*>())
      connect(box, &QAbstractButton::toggled, this, changed);
    for (QSlider* slider : area->findChildren<QSlider*>())
      connect(slider, &QSlider::valueChanged, this, changed);
  }
}
