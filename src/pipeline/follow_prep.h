#pragma once
// The step a follow-the-subject task takes at its turn before its converter runs: the
// analysis (or its kept result) and the sendcmd file the task's command reads, beside the
// temporary output. Other layouts need nothing.
#include <functional>
#include <stop_token>
#include <string>

#include "reframe/analysis.h"
#include "task/task_record.h"

namespace pipeline {

// "分析 40％": the row's state while the analysis runs.
std::string AnalysisStateText(double fraction);

reframe::AnalysisRequest FollowRequest(const task::TaskRecord& record);

struct FollowPrep {
  bool ok = true;
  bool stopped = false;
  std::string error;        // the program's message when it failed
  std::string sendcmdPath;  // the file written, "" when none
};

// Runs the analysis of a follow task and writes its sendcmd file; `state` gets the row's
// texts. Nothing for the other layouts.
FollowPrep PrepareFollow(const task::TaskRecord& record, std::stop_token stop,
                         const std::function<void(const std::string&)>& state);
// Deletes the sendcmd file once the converter has ended.
void CleanUpFollow(const FollowPrep& prep);

}  // namespace pipeline
