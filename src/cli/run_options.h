#pragma once
// The options of `flipframe run LIST.json [--task K | --count]`.
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace pipeline {

const std::vector<OptionSpec>& RunOptionSpecs();

struct RunRequest {
  std::string list;  // the task list file
  int task = 0;      // --task: the one task to run, 1-based; 0 runs every unfinished task
  int jobs = 1;      // --jobs: tasks run at once
  bool count = false;
  bool help = false;
  std::string error;  // a usage error, "" when none
};

RunRequest ParseRunArguments(const std::vector<std::string>& args);

}  // namespace pipeline
