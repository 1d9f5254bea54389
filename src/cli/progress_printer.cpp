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
  if (terminal_) {
    std::fprintf(out_, "\r\033[K%s", Line().c_str());
    lineOpen_ = true;
    std::fflush(out_);
  }
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
  if (terminal_) {
    std::fprintf(out_, "\r\033[K%s", Line().c_str());
    lineOpen_ = true;
  } else if (changed) {
    std::fprintf(out_, "%s\n", Line().c_str());
  }
  std::fflush(out_);
}

void ProgressPrinter::End() {
  if (terminal_ && lineOpen_) std::fprintf(out_, "\r\033[K");
  lineOpen_ = false;
  std::fprintf(out_, "%s  %s\n", label_.c_str(), state_.c_str());
  std::fflush(out_);
}

}  // namespace pipeline
