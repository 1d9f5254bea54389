#include "gui/preview_analysis.h"

#include "pipeline/follow_prep.h"
#include "platform/platform.h"
#include "reframe/analysis.h"

namespace app {

PreviewAnalysis::Readiness PreviewAnalysis::prepare(const task::TaskRecord& task, QString* why) {
  if (task.layout.kind != task::LayoutKind::Follow) return Readiness::Ready;
  const reframe::AnalysisRequest request = pipeline::FollowRequest(task);
  const std::string kept = reframe::CachePath(request);
  if (kept.empty() || plat::FileExists(kept)) return Readiness::Ready;
  if (const auto failed = failed_.find(kept); failed != failed_.end()) {
    *why = failed->second;
    return Readiness::Failed;
  }
  if (kept == running_) return Readiness::Analysing;
  stop();
  running_ = kept;
  worker_ = std::jthread([this, request, kept](std::stop_token stop) {
    int shown = -1;
    const auto progress = [&](double fraction) {
      const int percent = int(fraction * 100);
      if (percent == shown) return;
      shown = percent;
      QMetaObject::invokeMethod(
          this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
    };
    const reframe::AnalysisResult result = reframe::Analyse(request, stop, progress);
    if (result.stopped) return;
    const QString error = result.ok ? QString() : QString::fromStdString(result.error);
    QMetaObject::invokeMethod(
        this,
        [this, kept, error] {
          if (running_ != kept) return;
          running_.clear();
          if (!error.isEmpty()) failed_[kept] = error;
          emit finished();
        },
        Qt::QueuedConnection);
  });
  return Readiness::Analysing;
}

void PreviewAnalysis::stop() {
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();  // the converter ends at the stop request
  running_.clear();
}

}  // namespace app
