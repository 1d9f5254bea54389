#pragma once
// `flipframe convert [OPTIONS] FILE...`: each FILE becomes one task through the same pipeline
// as the window's 保存任务, then runs through the same task worker as the window's batch.
#include <string>
#include <vector>

namespace app {

// `args` are the words after "convert". Returns the exit status: 0 every task finished,
// 1 a file was refused or a task failed, 2 a usage error, 130 stopped by SIGINT or SIGTERM.
int RunConvertCommand(const std::vector<std::string>& args);

}  // namespace app
