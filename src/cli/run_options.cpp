#include "cli/run_options.h"

namespace pipeline {

// Far above any list's length (the task limit is 1000); the list itself decides the rest.
constexpr int kHighestTaskNumber = 1000000;

const std::vector<OptionSpec>& RunOptionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"task", "K", "只执行第 K 个任务（从 1 数起），只记录它的状态", nullptr},
      {"count", nullptr, "打印列表中的任务数，什么也不执行", nullptr},
      {"jobs", "N", JobsHelp(), "1"},
  };
  return specs;
}

RunRequest ParseRunArguments(const std::vector<std::string>& args) {
  RunRequest req;
  const ParsedOptions p = ParseOptions(RunOptionSpecs(), args);
  req.help = p.help;
  if (!p.error.empty()) {
    req.error = p.error;
    return req;
  }
  if (p.has("task") && !ParseIntIn(p.values.at("task"), 1, kHighestTaskNumber, req.task)) {
    req.error = "--task 须为从 1 起的任务编号，而不是“" + p.values.at("task") + "”";
    return req;
  }
  if (!ParseJobs(p, req.jobs, req.error)) return req;
  req.count = p.has("count");
  if (req.count && req.task != 0) {
    req.error = "--task 与 --count 只能给出一个";
    return req;
  }
  if (p.operands.size() == 1)
    req.list = p.operands[0];
  else if (!req.help)
    req.error = p.operands.empty() ? "没有给出任务列表文件（LIST.json）"
                                   : "只能给出一个任务列表文件（LIST.json），而不是 " +
                                         std::to_string(p.operands.size()) + " 个文件";
  return req;
}

}  // namespace pipeline
