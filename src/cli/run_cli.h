#pragma once
// `flipframe run LIST.json [--task K | --count]`: runs a saved task list without a window.
#include <string>
#include <vector>

namespace app {

// `args` are the words after "run". Returns the exit status: 0 every task run finished (or
// nothing was left to run), 1 a task failed or its source was missing, 2 a usage error or a
// list that cannot be read, 130 stopped by SIGINT or SIGTERM.
int RunRunCommand(const std::vector<std::string>& args);

}  // namespace app
