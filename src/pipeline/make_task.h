#pragma once
// Making a stored task from a foreground file and a template of settings, as the window
// makes one from the same clicks: probe every source, apply the result handling and the
// control rules, validate, build the trial command, run the trial, build the full command.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "task/control_rules.h"
#include "task/task_record.h"

namespace pipeline {

// Everything the settings area holds except the foreground file. An unset value leaves what
// the window shows after the foreground was probed.
struct SettingsTemplate {
  std::optional<int> ratioIndex;  // item of the ratio list
  // The dimension typed into the active box; the other follows from the ratio (比例计算).
  std::optional<int> typedSize;
  task::ActiveBox typedBox = task::ActiveBox::Width;
  std::optional<int> copies;                 // foreground copies side by side, from 1
  std::string background, animation, music;  // files, "" none
  std::optional<int> backgroundBlur, animationBlur, animationOpacity, blendModeIndex;
  // Sound sources: foreground, background, music. Unset: as the probes left them.
  std::optional<std::array<bool, 3>> sounds;
  bool audioFadeIn = false, audioFadeOut = false, videoFadeIn = false, videoFadeOut = false;
  std::array<bool, 4>
      effects{};  // effects 1 to 4: vertical bounce, horizontal bounce, colour shift, psychedelic
  bool denoise = false, soften = false, mirror = false, dedup = false;
  std::optional<std::string> bitrate;  // kb/s; unset: automatic
  std::optional<std::string> format, duration;
  bool fastBackground = false;  // "快速背景": TaskRecord::fastBackground
  task::CanvasLayout layout;    // "画面": TaskRecord::layout
  std::string encoderPreset;    // "编码速度": TaskRecord::encoderPreset, "" none
  // "发布目标": sets the size, ratio and format too; unset: 自定义.
  std::optional<task::PublishTarget> target;
  // Further targets made by the same run, each its own file (needs `target`).
  std::vector<task::PublishTarget> moreTargets;
  // A foreground longer than the target takes: refused (Ask), cut to the limit or kept.
  enum class OverLimit { Ask, Cut, Keep } overLimit = OverLimit::Ask;
  // "标题", "字幕" and their style; {name} and {index} are filled in for each task.
  task::BandTexts bandTexts;
  // "Logo", its path a file's path without quotes, as the files above; the file is probed
  // when the task is made, which sets its kind.
  task::Logo logo;
  int index = 1;  // the task's number, for {index}
};

// How the trial is run; the window and the tests may pass their own.
struct TrialRunner {
  // The converter's raw error text for `arguments` run as a trial, "" when accepted.
  virtual std::string RunTrial(const std::string& arguments) = 0;
  virtual ~TrialRunner() = default;
};

// The task worker's trial run, in the calling thread. The window's trial ends every other
// converter of the program folder; the command line's, which may run beside others, does not.
// Safe to use from several threads at once when it ends no other converter.
struct WorkerTrial : TrialRunner {
  explicit WorkerTrial(bool endOthers) : endOtherConverters(endOthers) {}
  std::string RunTrial(const std::string& arguments) override;
  bool endOtherConverters;
};

struct SettingsArea;

// Where making a task stopped: the step that refused it, or Stored.
enum class TaskStep { Sources, OverLimit, Validation, TrialBuild, Unchanged, Trial, Stored };

struct MadeTask {
  bool ok = false;
  task::TaskRecord task;  // the stored task (command line and trial command set) when ok
  std::string refusal;    // the program's own message when not ok
  TaskStep step = TaskStep::Sources;
};

// The end of making a task, once its sources and settings are in `s` and `r` (保存任务):
// validate, build the trial command, try it, build the full command. `r` takes the accepted
// values and the trial command; `s` shows what validation and the build corrected. When
// given, `proceed` is asked with the trial command before the trial: false stops at
// TaskStep::Unchanged (a modified task that would run the same command is kept as it is).
MadeTask FinishTask(SettingsArea& s, task::TaskRecord& r, const std::array<std::string, 4>& effectFilters,
                    TrialRunner& trial, const std::function<bool(const std::string&)>& proceed = {});

// When given, `checkForeground` is asked with the record as soon as the foreground is probed;
// a text it returns refuses the file before anything else is probed or tried.
MadeTask MakeTask(const std::string& foreground, const SettingsTemplate& settings,
                  const std::array<std::string, 4>& effectFilters, TrialRunner& trial,
                  const std::function<std::string(const task::TaskRecord&)>& checkForeground = {});

}  // namespace pipeline
