#pragma once
// The checks a task's output settings pass before the task is added or saved, as a pure
// function of the texts in the boxes and the foreground's media info. The window shows the
// message and writes the corrections back into its boxes.
#include <optional>
#include <string>

#include "task/control_rules.h"

namespace task {

struct ValidationInput {
  std::string widthText, heightText, durationText, bitrateText, formatText;
  int ratioIndex = -1;  // selected item of the ratio list, -1 none
  bool autoBitrate = true;
  int foregroundWidth = 0, foregroundHeight = 0;
  std::string foregroundDuration, foregroundExtension, foregroundBitrate;
  bool target = false;  // a publishing target is chosen
};

struct ValidationOutcome {
  bool ok = false;
  std::string message;  // the error text when not ok

  // New texts for the boxes, set only when a box is to change (also on failure: corrections
  // made before the failing check stay).
  std::optional<std::string> widthBox, heightBox, durationBox, formatBox, bitrateBox;
  bool forceAutoBitrate = false;  // tick automatic bitrate and disable the bitrate box
  bool dropVideoFades = false;    // untick and disable both video fades

  // The accepted values (only when ok).
  int outputWidth = 0, outputHeight = 0;
  std::string outputDuration, outputFormat, bitrate;
};

constexpr int kMinimumSize = kMinimumOutputSize;
constexpr int kMinimumBitrate = 100;

ValidationOutcome CheckOutputSettings(const ValidationInput& in);

}  // namespace task
