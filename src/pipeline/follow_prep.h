#pragma once
// The step a follow-the-subject task takes at its turn before its converter runs: the
// analysis (or its kept result) and the crop-path file the task's command reads. Both come
// from the task's own checked fields, never from its stored command text: lists come from
// anyone. Other layouts need nothing.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "reframe/analysis.h"
#include "task/command_builder.h"
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
  bool blurred = true;      // some scene shows the blurred look
};

// Runs the analysis of a follow task and writes its crop-path file: a file of this run's own
// (a random tag in its name) beside `temporaryOutput`, the task's temporary output as its
// words name it, so that two runs of one source never share one. `progress` gets 0..1 at
// each whole percent. Nothing for the other layouts.
FollowPrep PrepareFollow(const task::TaskRecord& record, const std::string& temporaryOutput,
                         std::stop_token stop, const std::function<void(double)>& progress);
// `env` building the task's command with the prep's crop-path file and, when no scene shows
// it, without the blurred look.
task::BuildEnvironment FollowEnvironment(task::BuildEnvironment env, const FollowPrep& prep);
// Deletes the crop-path file once the converter has ended.
void CleanUpFollow(const FollowPrep& prep);

}  // namespace pipeline
