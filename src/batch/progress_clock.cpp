#include "batch/progress_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "batch/progress.h"
#include "text/numbers.h"

namespace batch {

void ProgressClock::Pause(TimePoint now) {
  if (paused_) return;
  paused_ = true;
  pausedAt_ = now;
}

void ProgressClock::Resume(TimePoint now) {
  if (!paused_) return;
  paused_ = false;
  pausedTotal_ += now - pausedAt_;
}

double ProgressClock::RunningSeconds(TimePoint at) const {
  auto paused = pausedTotal_;
  if (paused_ && at > pausedAt_) paused += at - pausedAt_;
  return std::chrono::duration<double>(at - start_ - paused).count();
}

void ProgressClock::Progress(double seconds, TimePoint now) {
  progress_ = seconds;
  runningAtProgress_ = RunningSeconds(now);
  if (runningAtProgress_ > 0 && seconds > 0) speed_ = seconds / runningAtProgress_;
}

void ProgressClock::Observe(std::string_view chunk, TimePoint now) {
  const int position = ProgressPosition(chunk);
  if (position > 0) Progress(ProgressSeconds(chunk, position), now);
}

double ProgressClock::Fraction() const {
  if (duration_ <= 0) return 0;
  return std::clamp(progress_ / duration_, 0.0, 1.0);
}

std::optional<double> ProgressClock::Speed() const { return speed_; }

std::optional<double> ProgressClock::SecondsLeft(TimePoint now) const {
  if (!speed_ || duration_ <= 0) return std::nullopt;
  const double atLine = std::max(0.0, duration_ - progress_) / *speed_;
  const double since = std::max(0.0, RunningSeconds(now) - runningAtProgress_);
  return std::max(0.0, atLine - since);
}

std::string TimeLeftText(double seconds) {
  const long long s = seconds > 0 ? static_cast<long long>(std::ceil(seconds - 1e-9)) : 0;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return std::string("剩余 ") + buf;
}

std::string SpeedFigureText(double speed) { return text::FormatG13(text::RoundHalfAway(speed, 2)) + "x"; }

}  // namespace batch
