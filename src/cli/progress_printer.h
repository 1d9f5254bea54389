#pragma once
// Progress of tasks run from the command line, on standard error: on a terminal one line per
// running task rewritten in place (file, state, speed, elapsed time, time left), otherwise one
// line each time the state changes between preparing, converting (and each tenth of it) and its
// end. The final state of each task always stands on its own line. Speed and time left come
// from the progress clock (the converter's progress time against the wall time the task ran),
// as in the window.
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "batch/progress_clock.h"

namespace pipeline {

// The lines of the tasks that run at once. On a terminal the running tasks' lines stand at
// the bottom, one each, rewritten in place; lines that stay (a task's end, a notice) go above
// them. Off a terminal every line is written once, whole. Any thread may call it.
class ProgressBoard {
 public:
  ProgressBoard(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}
  bool terminal() const { return terminal_; }
  int Open();                                     // a live line for a task: its number
  void Show(int line, const std::string& text);   // rewrites live line `line` (terminal only)
  void Close(int line, const std::string& text);  // `text` stays; the live line goes
  void Print(const std::string& text);            // a line that stays

 private:
  void Redraw(const std::string& staying);  // with the mutex held

  std::mutex mutex_;
  std::FILE* out_;
  bool terminal_;
  std::map<int, std::string> live_;
  int next_ = 0;
  int drawn_ = 0;  // live lines on the screen; the cursor ends the last of them
};

class ProgressPrinter {
 public:
  // A printer of its own board, for tasks run one at a time.
  ProgressPrinter(std::FILE* out, bool terminal)
      : own_(std::make_unique<ProgressBoard>(out, terminal)), board_(*own_) {}
  // One of the tasks run at once, on a shared board.
  explicit ProgressPrinter(ProgressBoard& board) : board_(board) {}

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
  // A line of its own about the task, e.g. "文件缺失".
  void Note(const std::string& text) { board_.Print(text); }

 private:
  enum class Phase { None, Preparing, Converting, Ended };
  static Phase PhaseOf(const std::string& state);
  std::string Line() const;
  int ElapsedSeconds() const;

  std::unique_ptr<ProgressBoard> own_;
  ProgressBoard& board_;
  std::string label_, speed_, state_;
  Phase phase_ = Phase::None;
  int step_ = -1;  // tenth of the way the last line off a terminal showed
  int line_ = -1;  // the board's live line while the task runs
  std::chrono::steady_clock::time_point started_;
  std::optional<batch::ProgressClock> clock_;
};

}  // namespace pipeline
