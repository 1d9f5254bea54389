#pragma once
// How fast a task really converts and how long it still needs. The converter's own speed
// keeps counting the time it spent suspended (a paused task falls to 0.11x), so the speed
// here is the converter's progress time over the wall time the task actually ran: time
// between Pause() and Resume() is left out. Time points are handed in, which keeps it a pure
// calculation.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace batch {

class ProgressClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // `duration`: the task's whole seconds (TaskDuration of its arguments); `start`: when the
  // converter was started.
  ProgressClock(int duration, TimePoint start) : duration_(duration), start_(start) {}

  void Pause(TimePoint now);
  void Resume(TimePoint now);
  bool paused() const { return paused_; }

  // The converter reached `seconds` of the output at `now`.
  void Progress(double seconds, TimePoint now);
  // The same from a chunk of converter output; chunks without a progress line change nothing.
  void Observe(std::string_view chunk, TimePoint now);

  double progressSeconds() const { return progress_; }
  // Share of the task done, 0 to 1 (0 while the duration is unknown).
  double Fraction() const;
  // Output seconds per second of running time at the last progress line; none before one.
  std::optional<double> Speed() const;
  // Seconds still needed at `now`: what is left at the last speed, less the running time
  // since that line. Frozen while paused; none while the speed or the duration is unknown.
  std::optional<double> SecondsLeft(TimePoint now) const;

 private:
  double RunningSeconds(TimePoint at) const;

  int duration_;
  TimePoint start_;
  bool paused_ = false;
  TimePoint pausedAt_{};
  std::chrono::steady_clock::duration pausedTotal_{};
  double progress_ = 0;
  std::optional<double> speed_;
  double runningAtProgress_ = 0;
};

// "剩余 " + HH:MM:SS of the seconds rounded up (hours may exceed 99): "剩余 00:01:23".
std::string TimeLeftText(double seconds);
// The speed as the row shows it: two decimals without trailing zeros and an "x" ("1.5x").
std::string SpeedFigureText(double speed);

}  // namespace batch
