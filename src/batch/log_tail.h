#pragma once
// The converter's last lines of one task, kept in memory for the log a user reads when a
// task failed. Output arrives in chunks that cut lines anywhere; a progress line (ended by a
// carriage return) is replaced by the next progress line, as on a terminal, so progress does
// not push the messages out.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace batch {

class LogTail {
 public:
  explicit LogTail(std::size_t maxLines = 100) : max_(maxLines) {}
  // A chunk as read from the converter; it ends at its first zero byte.
  void Append(std::string_view chunk);
  // The kept lines, each ended by "\n", the unfinished last line included.
  std::string Text() const;
  std::size_t lineCount() const;

 private:
  void Finish(bool progressLine);

  std::size_t max_;
  std::deque<std::string> lines_;
  bool lastIsProgress_ = false;  // the last kept line ended with a carriage return
  bool pendingReturn_ = false;   // a carriage return was read; "\n" may follow it
  std::string partial_;
};

}  // namespace batch
