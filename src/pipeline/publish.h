#pragma once
// The publishing settings of a task on the settings area: a target chosen, and the length
// limit of the target checked against the foreground when the task is added.
#include <optional>
#include <string>
#include <vector>

#include "pipeline/settings_area.h"
#include "task/targets.h"

namespace pipeline {

// 发布目标 chosen: the target's encoding, its size in the size boxes, MP4 in the format box,
// and the ratio item whose composition suits the foreground (bands above and below when the
// foreground is wider than the target, a row across otherwise). Nothing (自定义) only clears
// the target's encoding and leaves the boxes as they are.
void SelectTarget(SettingsArea& s, const task::TaskRecord& r, const task::PublishTarget* target);

// Further targets as the outputs a task keeps of them.
// The targets a stored task was made for, as the window holds a choice: its own target
// (nothing for 自定义) and its further outputs, each with the size it was made at. Their length
// limits are not stored: the clip was checked against them when the task was added.
std::optional<task::PublishTarget> TargetOf(const task::TaskRecord& r);
std::vector<task::PublishTarget> MoreTargetsOf(const task::TaskRecord& r);
std::vector<task::TargetOutput> OutputsOf(const std::vector<task::PublishTarget>& targets);
// The target with the shortest length limit, nullptr when none has one.
const task::PublishTarget* ShortestLimit(const std::vector<task::PublishTarget>& targets);

// The foreground is longer than the target takes: the message naming the clip and the limit,
// else "".
std::string OverLimitMessage(const task::TaskRecord& r, const task::PublishTarget& target);
// Cuts the duration box to the target's limit.
void CutToLimit(SettingsArea& s, const task::PublishTarget& target);

// Why the texts of the settings area cannot be drawn ("" when they can): their values, and a
// named font that is neither an installed family nor a font file.
std::string BandTextsSettingsProblem(const task::BandTexts& texts);

// A logo file picked: the checks every source file passes, then the probe. "" when the
// converter reads it as a still picture or a GIF (`logo` then has its kind), else the refusal.
std::string ProbeLogo(task::Logo& logo);

// Writes the files the title and caption filters read: "" or why one could not be written
// (then none is left behind). RemoveBandTexts takes them away after the converter ended.
std::string WriteBandTexts(const std::vector<task::BandTextFile>& files);
void RemoveBandTexts(const std::vector<task::BandTextFile>& files);

}  // namespace pipeline
