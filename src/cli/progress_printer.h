#pragma once
// Progress of tasks run from the command line, on standard error: on a terminal one line per
// task rewritten in place (file, state, speed, elapsed time, time left), otherwise one line
// each time the state changes between preparing, converting (and each tenth of it) and its end. The final
// state of each task always stands on its own line. Speed and time left come from the progress clock (the
// converter's progress time against the wall time the task ran), as in the window.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "batch/progress_clock.h"

namespace pipeline {

class ProgressPrinter {
 public:
  ProgressPrinter(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

  // `duration`: the task's whole seconds (batch::TaskDuration of its arguments).
  void Start(const std::string& label, int duration);
  // The converter's own speed text, shown until the clock has a speed of its own.
  void Speed(const std::string& speed);
  // A chunk of converter output, for the clock (WorkerReport::output).
  void Output(std::string_view chunk);
  // A state text of the task's row: "准备数据", a percentage followed by "％", or its end.
  void State(const std::string& state);
  // The task has ended; its last state goes on a line of its own.
  void End();

 private:
  enum class Phase { None, Preparing, Converting, Ended };
  static Phase PhaseOf(const std::string& state);
  std::string Line() const;
  int ElapsedSeconds() const;

  std::FILE* out_;
  bool terminal_;
  std::string label_, speed_, state_;
  Phase phase_ = Phase::None;
  int step_ = -1;          // tenth of the way the last line off a terminal showed
  bool lineOpen_ = false;  // a terminal line waits to be rewritten
  std::chrono::steady_clock::time_point started_;
  std::optional<batch::ProgressClock> clock_;
};

}  // namespace pipeline
