#include "batch/log_tail.h"

namespace batch {

void LogTail::Finish(bool progressLine) {
  // A progress line is overwritten by the next one, as on a terminal; a message after it
  // keeps the last progress reached.
  if (progressLine && lastIsProgress_ && !lines_.empty()) lines_.pop_back();
  lines_.push_back(std::move(partial_));
  partial_.clear();
  lastIsProgress_ = progressLine;
  while (lines_.size() > max_) lines_.pop_front();
}

void LogTail::Append(std::string_view chunk) {
  const size_t zero = chunk.find('\0');
  if (zero != std::string_view::npos) chunk = chunk.substr(0, zero);
  for (char c : chunk) {
    if (pendingReturn_) {
      pendingReturn_ = false;
      if (c == '\n') {  // "\r\n": one ordinary line end
        lastIsProgress_ = false;
        continue;
      }
    }
    if (c == '\n') {
      Finish(false);
    } else if (c == '\r') {
      Finish(true);
      pendingReturn_ = true;
    } else {
      partial_ += c;
    }
  }
}

std::size_t LogTail::lineCount() const {
  const std::size_t n = lines_.size() + (partial_.empty() ? 0 : 1);
  return n > max_ ? max_ : n;
}

std::string LogTail::Text() const {
  std::string r;
  const size_t skip = lines_.size() + (partial_.empty() ? 0 : 1) > max_ ? 1 : 0;
  for (size_t i = skip; i < lines_.size(); ++i) r += lines_[i] + "\n";
  if (!partial_.empty()) r += partial_ + "\n";
  return r;
}

}  // namespace batch
