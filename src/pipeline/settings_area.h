#pragma once
// The settings area and the four path boxes of the window as plain values, and what the
// window does to them when the user works it: a new task, a probed source, a cleared source,
// a ratio chosen, the ratio calculation, the sound switches, validation and reading a task
// record. The window runs the same steps on its widgets; the command line runs them here.
#include <array>
#include <string>
#include <vector>

#include "probe/probe_file.h"
#include "task/command_builder.h"
#include "task/control_rules.h"
#include "task/task_record.h"
#include "task/validation.h"

namespace pipeline {

inline constexpr const char* kBackgroundPlaceholder = "留空则复制前景视频制作背景视频(推荐)";

struct SettingsArea {
  // Path boxes.
  std::string foregroundBox, backgroundBox = kBackgroundPlaceholder, animationBox, audioBox;
  // Output boxes and lists.
  std::string widthBox, heightBox, durationBox, bitrateBox, formatBox;
  task::ActiveBox activeBox = task::ActiveBox::None;
  int ratioIndex = -1;
  task::CountList count;
  int storedCount = 0;  // the count stored by the last probe or focus change
  int blendModeIndex = 0, backgroundBlur = 5, animationBlur = 5, animationOpacity = 4;
  // Switches in the record's order: tick states and disabled states.
  std::array<int, task::kTickCount> ticks{};
  std::array<int, task::kOffCount> disabled{};
  bool settingsEnabled = false;  // the frame of the settings area (操作框)
  bool fastBackground = false;   // 快速背景: TaskRecord::fastBackground
  task::CanvasLayout layout;     // 画面: TaskRecord::layout
  std::string encoderPreset;     // 编码速度: TaskRecord::encoderPreset
  task::TargetSettings target;   // 发布目标: TaskRecord::target
  task::BandTexts bandTexts;     // 标题, 字幕: TaskRecord::bandTexts
  task::Logo logo;               // Logo: TaskRecord::logo
  // Further 发布目标 made by the same run: TaskRecord::moreOutputs.
  std::vector<task::TargetOutput> moreOutputs;

  bool ticked(task::Tick t) const { return ticks[t] != 0; }
  bool enabled(task::Disabled d) const { return disabled[d] == 0; }
  void Tick(task::Tick t, bool on) { ticks[t] = on ? 1 : 0; }
  void Enable(task::Disabled d, bool on) { disabled[d] = on ? 0 : 1; }
};

// The controls after 新建任务: automatic bitrate and mute ticked, everything else off.
SettingsArea NewTaskSettings();

void ApplyAudioRule(SettingsArea& s);

// A finished probe of `path` as `kind`: the result handling of that kind (a refused file
// clears the kind and leaves its refusal text in its path box), then the audio rule. A probe
// without a verdict changes nothing of its kind.
void HandleProbe(SettingsArea& s, task::TaskRecord& r, task::SourceKind kind, const std::string& path,
                 const probe::ProbeOutcome& outcome);

void ResetForeground(SettingsArea& s, task::TaskRecord& r);
void ClearBackground(SettingsArea& s, task::TaskRecord& r);
void ClearAnimation(SettingsArea& s, task::TaskRecord& r);
void ClearAudio(SettingsArea& s, task::TaskRecord& r);

// An item of the ratio list chosen.
void SelectRatio(SettingsArea& s, const task::TaskRecord& r, int ratioIndex);
// 比例计算: the other box from the active one. The message that refuses the sizes, or "".
std::string CalculateRatio(SettingsArea& s, const task::TaskRecord& r);

// A click on a sound switch (foreground, background or music) that leaves it `on`, and a
// click on mute; both end with the audio rule.
void ClickSound(SettingsArea& s, task::Tick sound, bool on);
void ClickMute(SettingsArea& s);
// A click on automatic bitrate that leaves it `on`.
void ClickAutoBitrate(SettingsArea& s, const task::TaskRecord& r, bool on);

// Validation of the output boxes: the corrections are written into `s` whatever the
// outcome; on success the accepted values go into `r`.
task::ValidationOutcome ValidateSettings(SettingsArea& s, task::TaskRecord& r);

// Everything the controls say about a task, into `r` (the media info stays). Refills the
// count list as the window's count rule does.
void ReadTask(SettingsArea& s, task::TaskRecord& r);

// ReadTask, then the command; shows in `s` what the build corrected (no background file).
// `textFiles`, when given, receives the files the command's text filters read.
std::string BuildCommandFor(SettingsArea& s, task::TaskRecord& r, task::BuildMode mode,
                            const std::array<std::string, 4>& effectFilters,
                            std::vector<task::BandTextFile>* textFiles = nullptr);

}  // namespace pipeline
