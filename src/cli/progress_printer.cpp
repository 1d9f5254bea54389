#include "cli/progress_printer.h"

#include <cstdlib>

#include "text/numbers.h"

namespace pipeline {
namespace {

const std::string kPercentSign = "％";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

ProgressPrinter::Phase ProgressPrinter::PhaseOf(const std::string& state) {
  if (state == "准备数据") return Phase::Preparing;
  if (EndsWith(state, kPercentSign)) return Phase::Converting;
  return Phase::Ended;
}

int ProgressPrinter::ElapsedSeconds() const {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
}

std::string ProgressPrinter::Line() const {
  std::string line = label_ + "  " + (state_.empty() ? "..." : state_);
  const std::optional<double> speed = clock_ ? clock_->Speed() : std::nullopt;
  if (speed)
    line += "  速度 " + batch::SpeedFigureText(*speed);
  else if (!speed_.empty())
    line += "  速度 " + speed_ + "x";
  const int elapsed = ElapsedSeconds();
  if (elapsed > 0) line += "  " + text::FormatElapsed(elapsed);
  if (phase_ == Phase::Converting && clock_) {
    if (const std::optional<double> left = clock_->SecondsLeft(std::chrono::steady_clock::now()))
      line += "  " + batch::TimeLeftText(*left);
  }
  return line;
}

void ProgressPrinter::Start(const std::string& label, int duration) {
  label_ = label;
  speed_.clear();
  state_.clear();
  phase_ = Phase::None;
  step_ = -1;
  started_ = std::chrono::steady_clock::now();
  clock_.emplace(duration, started_);
  if (line_ < 0) line_ = board_.Open();
  board_.Show(line_, Line());
}

void ProgressPrinter::Output(std::string_view chunk) {
  if (clock_) clock_->Observe(chunk, std::chrono::steady_clock::now());
}

void ProgressPrinter::Speed(const std::string& speed) { speed_ = speed; }

void ProgressPrinter::State(const std::string& state) {
  state_ = state;
  const Phase phase = PhaseOf(state);
  // Off a terminal a converting task gets a line per tenth of its way, so that a log shows
  // how it went on and what time it still needed.
  const int step = phase == Phase::Converting ? static_cast<int>(std::atof(state.c_str()) / 10) : -1;
  const bool changed = phase != phase_ || step != step_;
  phase_ = phase;
  step_ = step;
  if (phase == Phase::Ended) return;  // End() writes it on its own line
  if (board_.terminal())
    board_.Show(line_, Line());
  else if (changed)
    board_.Print(Line());
}

void ProgressPrinter::End() {
  board_.Close(line_, label_ + "  " + state_);
  line_ = -1;
}

int ProgressBoard::Open() {
  const std::lock_guard<std::mutex> lock(mutex_);
  live_[next_] = {};
  return next_++;
}

void ProgressBoard::Show(int line, const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!terminal_ || !live_.count(line)) return;
  live_[line] = text;
  Redraw({});
}

void ProgressBoard::Close(int line, const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  live_.erase(line);
  Redraw(text);
}

void ProgressBoard::Print(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Redraw(text);
}

void ProgressBoard::Redraw(const std::string& staying) {
  if (!terminal_) {
    if (!staying.empty()) std::fprintf(out_, "%s\n", staying.c_str());
    std::fflush(out_);
    return;
  }
  // Back to the first live line, clearing each.
  if (drawn_ > 0) std::fprintf(out_, "\r\033[K");
  for (int i = 1; i < drawn_; ++i) std::fprintf(out_, "\033[A\r\033[K");
  if (!staying.empty()) std::fprintf(out_, "%s\n", staying.c_str());
  drawn_ = 0;
  for (const auto& [line, text] : live_) {
    std::fprintf(out_, drawn_ == 0 ? "\r\033[K%s" : "\n\r\033[K%s", text.c_str());
    ++drawn_;
  }
  std::fflush(out_);
}

}  // namespace pipeline
