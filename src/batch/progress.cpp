#include "batch/progress.h"

#include <cmath>
#include <limits>

#include "text/bytes.h"
#include "text/numbers.h"

namespace batch {
namespace {

// "7", "7.25", ".45": digits with at most one dot; anything else reads as 0. Only plain
// decimal forms are accepted, so a stray "inf" or "nan" in the output never becomes a number.
double ReadFraction(std::string_view s) {
  double whole = 0, scale = 1;
  bool dot = false, digits = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      digits = true;
      if (dot) {
        scale /= 10;
        whole += (c - '0') * scale;
      } else {
        whole = whole * 10 + (c - '0');
      }
    } else if (c == '.' && !dot) {
      dot = true;
    } else {
      break;
    }
  }
  return digits ? whole : 0.0;
}

struct Phrase {
  const char* english;
  const char* chinese;
};
constexpr Phrase kPhrases[] = {
    {"Unable to find a suitable output format for", "未知的输出格式:"},
    {"Invalid argument", "格式无效"},
    {"No audio stream present", "无音频流的数据无法转换到音频格式"},
    {"Conversion failed", "转换失败"},
};

}  // namespace

std::string OutputFile(std::string_view a) {
  const int closing = text::FindLast(a, "\"");
  if (closing == -1) return {};
  const int opening = text::FindLast(a, "\"", closing);
  if (opening == -1) return {};
  return text::Middle(a, opening + 1, closing - opening - 1);
}

int TaskDuration(std::string_view a) {
  const int p = text::Find(a, "\" -to ");
  if (p == -1) return 0;
  return text::SecondsOfDuration(text::Middle(a, p + 6, 8));
}

double ClockSeconds(std::string_view clock) {
  const size_t end = clock.find_first_of(" ,\r\n");
  if (end != std::string_view::npos) clock = clock.substr(0, end);
  auto digits = [&](size_t at, size_t count) {
    if (at + count > clock.size()) return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
      if (clock[i] < '0' || clock[i] > '9') return -1;
      value = value * 10 + (clock[i] - '0');
    }
    return value;
  };
  const int h = digits(0, 2), m = digits(3, 2), sec = digits(6, 2);
  if (h < 0 || m < 0 || sec < 0 || clock[2] != ':' || clock[5] != ':') return -1;
  double seconds = h * 3600.0 + m * 60.0 + sec;
  if (clock.size() == 8) return seconds;
  if (clock[8] != '.' || clock.size() == 9) return -1;
  double scale = 1;
  for (size_t i = 9; i < clock.size(); ++i) {
    if (clock[i] < '0' || clock[i] > '9') return -1;
    scale /= 10;
    seconds += (clock[i] - '0') * scale;
  }
  return seconds;
}

double OutputDurationSeconds(std::string_view a) {
  const int p = text::Find(a, "\" -to ");
  if (p == -1) return -1;
  return ClockSeconds(a.substr(size_t(p - 1 + 6)));
}

namespace {

std::string_view WordAfterTo(const std::vector<std::string>& words) {
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == "-to") return words[i + 1];
  return {};
}

}  // namespace

std::string OutputFile(const std::vector<std::string>& words) { return words.empty() ? "" : words.back(); }

int TaskDuration(const std::vector<std::string>& words) {
  return text::SecondsOfDuration(text::Left(WordAfterTo(words), 8));
}

double OutputDurationSeconds(const std::vector<std::string>& words) {
  const std::string_view to = WordAfterTo(words);
  return to.empty() ? -1 : ClockSeconds(to);
}

std::string WriteFailureLine(std::string_view output) {
  for (std::string_view word :
       {"Error writing trailer", "Error closing file", "No space left on device", "Error writing"}) {
    const size_t at = output.find(word);
    if (at == std::string_view::npos) continue;
    const size_t begin = output.find_last_of("\r\n", at);
    const size_t end = output.find_first_of("\r\n", at);
    std::string_view line = output.substr(begin == std::string_view::npos ? 0 : begin + 1);
    if (end != std::string_view::npos)
      line = line.substr(0, end - (begin == std::string_view::npos ? 0 : begin + 1));
    return text::TrimBlanks(line);
  }
  return {};
}

int ProgressPosition(std::string_view chunk) { return text::Find(chunk, " time="); }

double ProgressSeconds(std::string_view chunk, int p) {
  if (p < 1) return 0;
  const int whole = text::SecondsOfDuration(text::Middle(chunk, p + 6, 8));
  const float fraction = float(ReadFraction(text::Middle(chunk, p + 14, 3)));
  return whole + double(fraction);
}

std::string SpeedText(std::string_view chunk, int p) {
  std::string speed = text::TextBetween(chunk, " speed=", "x ", p < 1 ? 1 : p);
  // A value such as "N/A" has no "x": the next "x " then lies in a later line, and what
  // lies between is not a speed.
  if (speed.find_first_of("\r\n") != std::string::npos) return {};
  return speed;
}

double Percentage(double seconds, int duration) {
  if (duration == 0) return std::numeric_limits<double>::infinity();
  return seconds / double(duration) * 100.0;
}

std::string PercentageText(double percentage) { return text::FormatG13(text::RoundHalfAway(percentage, 2)); }

std::string FailureTranslation(std::string_view t) {
  std::string out(t);
  for (const Phrase& phrase : kPhrases) out = text::ReplaceAllIgnoreCase(out, phrase.english, phrase.chinese);
  return out;
}

std::string OneLine(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (char c : t)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

std::string LastNonBlankLine(std::string_view output) {
  size_t end = output.size();
  while (end > 0) {
    size_t start = output.find_last_of("\r\n", end - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    std::string line = text::TrimBlanks(output.substr(start, end - start));
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
    if (start == 0) break;
    end = start - 1;
  }
  return {};
}

}  // namespace batch
