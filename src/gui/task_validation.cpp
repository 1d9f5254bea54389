// Reading a task from the controls, checking its output settings, and building its
// converter command from what the window shows.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "platform/platform.h"
#include "store/utf8.h"
#include "task/command_builder.h"
#include "task/validation.h"
#include "text/bytes.h"
#include "ui_main_window.h"

namespace {

using app::FromUtf8;

}  // namespace

void TaskEditor::ReadTaskFromControls(task::TaskRecord& r) {
  pipeline::SettingsArea area = ReadSettingsArea();
  pipeline::ReadTask(area, r);
  ShowSettingsArea(area);  // the count rule may have refilled the count list
}

bool TaskEditor::ValidateTask() {
  pipeline::SettingsArea area = ReadSettingsArea();
  const task::ValidationOutcome out = pipeline::ValidateSettings(area, current);
  ShowSettingsArea(area);  // corrections stay in the boxes whatever the outcome
  if (!out.ok) dialogs().ShowError(&window, FromUtf8(out.message));
  return out.ok;
}

std::string TaskEditor::BuildCommandFor(task::TaskRecord& r, bool trial) {
  std::array<std::string, 4> filters;
  for (int e = 1; e <= 4; ++e) filters[size_t(e - 1)] = EffectFilter(e);
  pipeline::SettingsArea area = ReadSettingsArea();
  const std::string text =
      pipeline::BuildCommandFor(area, r, trial ? task::BuildMode::Trial : task::BuildMode::Full, filters);
  ShowSettingsArea(area);  // what the build corrected: no background file, and its sound
  return text;
}
