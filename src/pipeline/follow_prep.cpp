#include "pipeline/follow_prep.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "batch/progress.h"
#include "platform/platform.h"
#include "reframe/crop_command.h"

namespace pipeline {

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
  q.seconds = batch::OutputDurationSeconds(r.commandLine);
  if (q.seconds < 0) q.seconds = batch::ClockSeconds(r.foregroundDuration);
  const double fps = std::strtod(r.foregroundFps.c_str(), nullptr);
  q.frameRate = fps > 0 ? fps : 25;
  return q;
}

FollowPrep PrepareFollow(const task::TaskRecord& record, std::stop_token stop,
                         const std::function<void(const std::string&)>& state) {
  FollowPrep prep;
  if (record.layout.kind != task::LayoutKind::Follow) return prep;
  int shown = -1;
  const auto progress = [&](double fraction) {
    const int percent = static_cast<int>(fraction * 100);
    if (percent == shown || !state) return;
    shown = percent;
    state(AnalysisStateText(fraction));
  };
  progress(0);
  const reframe::AnalysisResult analysed = reframe::Analyse(FollowRequest(record), stop, progress);
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
  const std::string path = reframe::SendcmdPathFor(batch::OutputFile(record.commandLine));
  std::string why;
  plat::MakeDirs(plat::FolderOf(path));
  if (!plat::WriteFileAtomically(path, analysed.sendcmd, &why)) {
    prep.ok = false;
    prep.error = "无法写入 " + path + "：" + why;
    return prep;
  }
  prep.sendcmdPath = path;
  return prep;
}

void CleanUpFollow(const FollowPrep& prep) {
  if (!prep.sendcmdPath.empty()) plat::DeleteFile(prep.sendcmdPath);
}

}  // namespace pipeline
