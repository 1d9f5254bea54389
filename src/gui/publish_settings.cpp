// The task editor's side of 发布设置: a target chosen sets the size, ratio and format boxes;
// the texts go into the task with the clip's name and number filled in; a clip too long for
// the target is named when its task is added, and the user chooses to cut it or keep it.
#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "pipeline/publish.h"
#include "store/utf8.h"

void TaskEditor::OnTargetChosen(std::optional<task::PublishTarget> target) {
  chosenTarget = std::move(target);
  if (current.foregroundWidth <= 0) return;  // the boxes are set when a foreground is picked
  pipeline::SettingsArea area = ReadSettingsArea();
  pipeline::SelectTarget(area, current, chosenTarget ? &*chosenTarget : nullptr);
  ShowSettingsArea(area);
}

void TaskEditor::OnTextsEdited(task::BandTexts texts) { bandTemplate = std::move(texts); }

void TaskEditor::OnLogoEdited(task::Logo logo) { chosenLogo = std::move(logo); }

void TaskEditor::OnMoreTargetsChosen(std::vector<task::PublishTarget> targets) {
  moreTargets = std::move(targets);
}

task::BandTexts TaskEditor::FilledBandTexts(const std::string& foreground) const {
  const int index = editingStored ? tasks->CurrentRow() : tasks->taskList->size() + 1;
  return task::FilledBandTexts(bandTemplate, foreground, index);
}

void TaskEditor::AskOverLimit(pipeline::SettingsArea& area) {
  if (!chosenTarget) return;
  // One run makes every output: the clip is held to the shortest limit among its targets.
  std::vector<task::PublishTarget> all{*chosenTarget};
  all.insert(all.end(), moreTargets.begin(), moreTargets.end());
  const task::PublishTarget* limiting = pipeline::ShortestLimit(all);
  if (!limiting) return;
  const std::string over = pipeline::OverLimitMessage(current, *limiting);
  if (over.empty()) return;
  if (dialogs().AskYesNo(&window, app::FromUtf8(over + "。\n截短到上限吗？（选“否”保留全长）")))
    pipeline::CutToLimit(area, *limiting);
}
