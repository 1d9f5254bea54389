#pragma once
// The options of `flipframe convert`, read into a settings template.
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "pipeline/make_task.h"

namespace pipeline {

// The option table (names, value names, help texts, defaults) of `convert`.
const std::vector<OptionSpec>& ConvertOptionSpecs();

struct ConvertRequest {
  SettingsTemplate settings;
  std::vector<std::string> files;
  bool dryRun = false;
  int jobs = 1;                          // --jobs: tasks run at once
  std::string saveList;                  // --save-list: the task list file the tasks go to, "" runs them
  std::optional<double> previewSeconds;  // --preview: write the frame at this time instead
  std::string previewOut;                // --preview-out, "" for result/NAME_preview.png
  std::vector<std::string> targetNames;  // --target, each time given, resolved by the caller
  bool listTargets = false;              // --targets
  bool help = false;
  std::string error;  // a usage error, "" when none
};

ConvertRequest ParseConvertArguments(const std::vector<std::string>& args);

}  // namespace pipeline
