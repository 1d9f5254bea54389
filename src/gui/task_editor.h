#pragma once
// The task being prepared: the pickers and their probes, the rules of the settings area (size
// boxes and ratio, foreground count, bitrate, sound, clears, source facts, GIF preview, label
// shortcuts), the effect presets, and 保存任务, which validates, tries and stores the task
// through the pipeline's own steps. Its files: control_rules.cpp, settings_sync.cpp,
// source_pickers.cpp, task_validation.cpp, task_operations.cpp.
#include <array>
#include <optional>
#include <string>

#include "gui/window_part.h"
#include "pipeline/settings_area.h"
#include "task/control_rules.h"
#include "task/task_record.h"

class QCheckBox;
class QLabel;
class QMovie;
class QString;

// Why there is nothing to store or preview yet.
inline constexpr char kNoForegroundMessage[] =
    "还没有选择前景视频：请先点“新建任务”或前景一栏的“…”按钮选一个视频。";

class TaskEditor : public WindowPart {
  Q_OBJECT

 public:
  using WindowPart::WindowPart;

  task::TaskRecord current;                  // the task being prepared
  std::array<std::string, 4> effectFilters;  // filter texts of the four effects (de.ini)
  std::array<std::string, 5> lastFolder;     // of each picker, indexed by SourceKind (0 unused)
  std::array<double, 23> ratioTable{};       // aspect-ratio table, entries 1..22
  int lastComputedCount = 0;
  int storedCount = 0;
  bool probeBusy = false;      // a probe is filling the current task
  bool editingStored = false;  // 保存任务 stores a listed task; otherwise it adds a new one
  QMovie* previewMovie = nullptr;
  // 发布设置 (PublishPart): the chosen target (none: 自定义) and the texts as typed, before
  // {name} and {index} are filled in for the task.
  std::optional<task::PublishTarget> chosenTarget;
  std::vector<task::PublishTarget> moreTargets;  // 更多目标: made by the same run (with a target)
  task::BandTexts bandTemplate;
  task::Logo chosenLogo;  // none: no logo

  // Every switch control once, in the order of the task record's disabled states, with its
  // place among the record's ticks (-1 none: not a check box).
  struct SwitchControl {
    QWidget* control;
    int tick;
    int off;
    QCheckBox* box() const;  // the check box, null for the other controls
  };
  std::array<SwitchControl, task::kOffCount> SwitchControls() const;

  // control_rules.cpp
  void ActivateWidthBox();
  void ActivateHeightBox();
  bool WidthBoxActive() const;
  task::ActiveBox ActiveSizeBox() const;
  int RatioDimension(int v) const;
  void OnRatioSelected(int index);
  void OnRatioCalculate();
  int UpdateForegroundCount(int width, int height);
  void HideForegroundCount();
  task::CountList ReadCountList() const;
  void ShowCountList(const task::CountList& list);
  void OnAutoBitrateClicked();
  void ApplyAudioRule();
  void OnMuteClicked();
  void ClearBackground();
  void ClearAnimation();
  void ClearAudio();
  void ShowSourceInfo(task::SourceKind kind);
  void ShowGifPreview(const QString& path, int width, int height);
  void HidePreview();
  void RestoreDefault(QLabel* titleLabel);
  void LoadEffectPresets();
  const std::string& EffectFilter(int effect) const;  // effect 1..4

  // settings_sync.cpp: the settings area and path boxes as plain values, and back.
  pipeline::SettingsArea ReadSettingsArea() const;
  void ShowSettingsArea(const pipeline::SettingsArea& a);

  // source_pickers.cpp
  void PickSource(task::SourceKind kind);
  void ReloadForeground();
  void ProbeRequest(const QString& path, task::SourceKind kind);
  void ResetForeground();

  // task_validation.cpp
  void ReadTaskFromControls(task::TaskRecord& r);
  bool ValidateTask();
  // The converter argument text for `r` as the window shows it now (trial or full mode);
  // applies the absent-background corrections to `r` and to the window.
  std::string BuildCommandFor(task::TaskRecord& r, bool trial);

  // task_operations.cpp
  void AddOrSaveTask();
  void LoadTaskForEdit();
  void ShowTask(const task::TaskRecord& r);
  void NewTask();
  // The button's mode: saving the listed task being edited, or adding a new one.
  void SetEditingStored(bool stored);

  // publish_settings.cpp
  void OnTargetChosen(std::optional<task::PublishTarget> target);
  void OnTextsEdited(task::BandTexts texts);
  void OnLogoEdited(task::Logo logo);
  void OnMoreTargetsChosen(std::vector<task::PublishTarget> targets);
  // The band texts of the task being prepared, {name} and {index} filled in.
  task::BandTexts FilledBandTexts(const std::string& foreground) const;
  // A foreground longer than the chosen target takes: asks whether to cut it to the limit.
  void AskOverLimit(pipeline::SettingsArea& area);

 signals:
  // A task is shown for editing: the publishing settings it holds.
  void publishShown(const task::TargetSettings& target, const std::vector<task::TargetOutput>& more,
                    const task::BandTexts& texts, const task::Logo& logo);

 private:
  task::ActiveBox activeSizeBox_ = task::ActiveBox::None;  // coloured light blue
};
