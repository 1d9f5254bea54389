#include "pipeline/progress_printer.h"

#include <cstdlib>

namespace pipeline {
namespace {

const std::string kPercentSign = "％";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string FormatElapsed(int seconds) {
  if (seconds <= 0) return {};
  const int days = seconds / 86400, rest = seconds % 86400;
  const int h = rest / 3600, m = rest % 3600 / 60, s = rest % 60;
  char text[32];
  if (days != 0)
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", days, h, m, s);
  else
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
  return text;
}

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
  if (!speed_.empty()) line += "  speed " + speed_ + "x";
  const int elapsed = ElapsedSeconds();
  if (elapsed > 0) line += "  " + FormatElapsed(elapsed);
  if (phase_ == Phase::Converting) {
    const double percent = std::atof(state_.c_str());
    if (percent > 0 && percent < 100) {
      const int eta = static_cast<int>(elapsed * (100 - percent) / percent + 0.5);
      if (eta > 0) line += "  ETA " + FormatElapsed(eta);
    }
  }
  return line;
}

void ProgressPrinter::Start(const std::string& label) {
  label_ = label;
  speed_.clear();
  state_.clear();
  phase_ = Phase::None;
  started_ = std::chrono::steady_clock::now();
  if (terminal_) {
    std::fprintf(out_, "\r\033[K%s", Line().c_str());
    lineOpen_ = true;
    std::fflush(out_);
  }
}

void ProgressPrinter::Speed(const std::string& speed) { speed_ = speed; }

void ProgressPrinter::State(const std::string& state) {
  state_ = state;
  const Phase phase = PhaseOf(state);
  const bool changed = phase != phase_;
  phase_ = phase;
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
