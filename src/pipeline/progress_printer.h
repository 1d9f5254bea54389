#pragma once
// Progress of tasks run from the command line, on standard error: on a terminal one line per
// task rewritten in place (file, state, speed, elapsed time, ETA), otherwise one line each
// time the state changes between preparing, converting and its end. The final state of each
// task always stands on its own line.
#include <chrono>
#include <cstdio>
#include <string>

namespace pipeline {

// "hh:mm:ss", or "d:hh:mm:ss" from one day on; "" for 0 seconds or less.
std::string FormatElapsed(int seconds);

class ProgressPrinter {
 public:
  ProgressPrinter(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

  void Start(const std::string& label);
  void Speed(const std::string& speed);
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
  bool lineOpen_ = false;  // a terminal line waits to be rewritten
  std::chrono::steady_clock::time_point started_;
};

}  // namespace pipeline
