#include "pipeline/follow_prep.h"

#include <algorithm>
#include <cstdlib>

#include "batch/progress.h"
#include "platform/platform.h"
#include "reframe/crop_command.h"

namespace pipeline {
namespace {

constexpr double kMaxFrameRate = 1000;  // a higher figure is a probe's time base, not a rate

}  // namespace

std::string AnalysisStateText(double fraction) {
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100);
  return "分析 " + std::to_string(percent) + "％";  // a running state, like "37.5％"
}

reframe::AnalysisRequest FollowRequest(const task::TaskRecord& r) {
  reframe::AnalysisRequest q;
  q.source = task::Unquote(r.foregroundPath);
  q.sourceWidth = r.foregroundWidth;
  q.sourceHeight = r.foregroundHeight;
  q.outputWidth = r.outputWidth;
  q.outputHeight = r.outputHeight;
  // The converter reads the foreground up to the task's duration (its "-to"), never beyond
  // its end.
  q.seconds = std::max(0.0, batch::ClockSeconds(r.outputDuration));
  if (const double whole = batch::ClockSeconds(r.foregroundDuration); whole > 0)
    q.seconds = std::min(q.seconds, whole);
  const double fps = std::strtod(r.foregroundFps.c_str(), nullptr);
  q.frameRate = fps > 0 && fps <= kMaxFrameRate ? fps : 25;
  return q;
}

FollowPrep PrepareFollow(const task::TaskRecord& record, const std::string& temporaryOutput,
                         std::stop_token stop, const std::function<void(double)>& progress) {
  FollowPrep prep;
  if (record.layout.kind != task::LayoutKind::Follow) return prep;
  int shown = -1;
  const auto percents = [&](double fraction) {
    const int percent = static_cast<int>(fraction * 100);
    if (percent == shown || !progress) return;
    shown = percent;
    progress(fraction);
  };
  percents(0);
  const reframe::AnalysisResult analysed = reframe::Analyse(FollowRequest(record), stop, percents);
  if (analysed.stopped) {
    prep.ok = false;
    prep.stopped = true;
    return prep;
  }
  if (!analysed.ok) {
    prep.ok = false;
    prep.error = analysed.error;
    return prep;
  }
  const std::string extension = plat::ExtensionOf(temporaryOutput);
  const std::string stem = temporaryOutput.substr(0, temporaryOutput.size() - extension.size());
  std::string why;
  const std::string path = plat::CreateFreshFile(stem, ".follow.txt", 0, &why);
  if (path.empty() || !plat::WriteFileAtomically(path, analysed.sendcmd, &why)) {
    if (!path.empty()) plat::DeleteFile(path);
    prep.ok = false;
    prep.error = "无法在 " + plat::FolderOf(temporaryOutput) + " 写入跟随路径文件：" + why;
    return prep;
  }
  prep.sendcmdPath = path;
  prep.blurred = analysed.blurred;
  return prep;
}

task::BuildEnvironment FollowEnvironment(task::BuildEnvironment env, const FollowPrep& prep) {
  env.followPath = prep.sendcmdPath;
  env.followBlurred = prep.blurred;
  return env;
}

void CleanUpFollow(const FollowPrep& prep) {
  if (!prep.sendcmdPath.empty()) plat::DeleteFile(prep.sendcmdPath);
}

}  // namespace pipeline
