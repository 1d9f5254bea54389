#include "probe/stream_info.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "platform/platform.h"
#include "probe/log_levels.h"
#include "text/bytes.h"

namespace probe {

using text::Case;
using text::Find;
using text::FindLast;
using text::Middle;

int StreamTextStart(std::string_view chunk) {
  const int input = Find(chunk, "Input #");
  if (input == -1) return 1;
  const int from = Find(chunk, ", from '", input);
  if (from == -1) return 1;
  // The path may hold "':" itself; the echo ends at the first "':" that ends a line.
  for (int close = Find(chunk, "':", from + 8); close != -1; close = Find(chunk, "':", close + 1)) {
    const std::string after = Middle(chunk, close + 2, 1);
    if (after.empty() || after == "\r" || after == "\n") return close + 2;
  }
  return int(chunk.size()) + 1;  // the chunk ends inside the echoed path
}

namespace {

// 1-based position of the first failure word in a line the converter marks as an error, -1
// when none: warnings ("Invalid pixel aspect ratio"), metadata and echoed names say nothing.
int FailureInErrorLines(std::string_view chunk) {
  size_t begin = 0;
  while (begin < chunk.size()) {
    size_t end = chunk.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = chunk.size();
    const std::string_view line = chunk.substr(begin, end - begin);
    const LogLine read = ReadLogLine(line);
    if (read.level != LogLevel::Untagged && read.level <= LogLevel::Error) {
      for (int pos : {Find(line, "invalid", 1, Case::Ignore), Find(line, "errer"), Find(line, "failed!")})
        if (pos != -1) return int(begin) + pos;
    }
    begin = end + 1;
  }
  return -1;
}

}  // namespace

Examination ExamineChunk(std::string_view chunk) {
  Examination e;
  const int start = StreamTextStart(chunk);
  // A converter that tags its levels is judged by its error lines; an untagged one by the
  // failure words anywhere.
  const bool tagged = HasLevelTags(chunk);
  const int failures[] = {
      tagged ? FailureInErrorLines(chunk) : Find(chunk, "invalid", 1, Case::Ignore),
      Find(chunk, " pal8,", tagged ? start : 1),
      tagged ? -1 : Find(chunk, "errer"),
      tagged ? -1 : Find(chunk, "failed!"),
  };
  for (int pos : failures) {
    if (pos != -1) {
      e.verdict = Verdict::Failed;
      e.failurePos = pos;
      return e;
    }
  }
  e.durationPos = Find(chunk, "Duration: ", start);
  e.verdict = e.durationPos == -1 ? Verdict::NotYet : Verdict::Parsed;
  return e;
}

std::string DurationText(std::string_view chunk, int durationPos) {
  if (durationPos < 1) return {};
  return Middle(chunk, durationPos + 10, 11);
}

namespace {

// A single picture read through one of the converter's image-pipe readers (png_pipe,
// jpeg_pipe, bmp_pipe, ...): the converter prints its duration as N/A instead of
// 00:00:00.04, yet it is a still picture, not a moving one.
bool IsPictureWithoutDuration(std::string_view t, std::string_view duration) {
  if (text::Left(duration, 3) != "N/A") return false;
  int a = Find(t, "Input #0, ");
  if (a == -1) return false;
  a += 10;
  int b = Find(t, ", from '", a);
  if (b == -1) return false;
  std::string format = Middle(t, a, b - a);
  return format.size() > 5 && format.compare(format.size() - 5, 5, "_pipe") == 0;
}

// The video stream whose size is read: the first GIF one, else the first.
int VideoMarker(std::string_view t) {
  const int start = StreamTextStart(t);
  const int gif = Find(t, ": Video: gif,", start);
  return gif != -1 ? gif : Find(t, ": Video: ", start);
}

int QuarterTurnsOfStream(std::string_view t, int video) {
  static constexpr std::string_view kRotation = "displaymatrix: rotation of ";
  if (video == -1) return 0;
  // The stream's lines end where the next stream begins.
  const int next = Find(t, "Stream #", video);
  const size_t end = next == -1 ? t.size() : size_t(next - 1);
  for (int p = Find(t, kRotation, video); p != -1 && size_t(p) <= end; p = Find(t, kRotation, p + 1)) {
    // Only a line of its own (blanks, and a level tag, in front), never a metadata value that
    // quotes it.
    const int lineStart = std::max(FindLast(t, "\n", p), 0);
    const std::string head = Middle(t, lineStart + 1, p - lineStart - 1);
    if (!text::TrimBlanks(ReadLogLine(head).message).empty()) continue;
    const std::string number = Middle(t, p + int(kRotation.size()), 12);
    double degrees = 0;  // from_chars: the same in every locale
    if (std::from_chars(number.data(), number.data() + number.size(), degrees).ec != std::errc() ||
        !std::isfinite(degrees))
      return 0;
    const double quarters = degrees / 90.0;
    const double nearest = std::round(quarters);
    if (std::fabs(quarters - nearest) * 90.0 > 1.0) return 0;
    return int(std::fmod(std::fmod(nearest, 4.0) + 4.0, 4.0));
  }
  return 0;
}

}  // namespace

int QuarterTurns(std::string_view t) { return QuarterTurnsOfStream(t, VideoMarker(t)); }

StreamFacts ParseStreams(std::string_view t, std::string_view duration) {
  StreamFacts f;
  const int start = StreamTextStart(t);
  const int p = VideoMarker(t);
  if (p != -1 && p == Find(t, ": Video: gif,", start)) f.kind = 1;
  if (p != -1) {
    // Walk every "x" from the video marker on, across line ends, until one reads as a size.
    for (int x = Find(t, "x", p); x != -1; x = Find(t, "x", x + 1)) {
      std::string before = Middle(t, x - 2, 1);
      if (before == " " || before == "[") continue;  // a hexadecimal tag such as 0x31637661
      int q = FindLast(t, ", ", x);
      if (q < p) continue;  // no ", " between the video marker and this "x"
      f.width = text::ToInteger(Middle(t, q + 2, x - q - 2));
      if (f.width <= 0) continue;
      int e = Find(t, ", ", x);
      if (e == -1) continue;
      std::string s = Middle(t, x + 1, e - x - 1);
      if (s.empty()) continue;
      size_t blank = s.find(' ');
      if (blank != std::string::npos) s.resize(blank);  // "1080 [SAR 1:1 DAR 16:9]"
      f.height = text::ToInteger(s);
      bool still = text::Left(duration, 10) == "00:00:00.0" || IsPictureWithoutDuration(t, duration);
      f.kind += still ? 1 : 3;
      break;
    }
  }
  if (Find(t, ": Audio: ", start) != -1) f.kind += 2;
  if (f.height > 0 && QuarterTurnsOfStream(t, p) % 2 == 1) std::swap(f.width, f.height);
  return f;
}

std::string BitrateText(std::string_view chunk, int durationPos) {
  static constexpr std::string_view kStart = ", bitrate:";
  int a = Find(chunk, kStart, durationPos);
  if (a == -1) return {};
  a += int(kStart.size());
  // The converter ends its lines with "\n" here and with "\r\n" elsewhere: the first of
  // either closes the value.
  int crlf = Find(chunk, " kb/s\r\n", a);
  int lf = Find(chunk, " kb/s\n", a);
  int b = crlf == -1 ? lf : (lf == -1 ? crlf : std::min(crlf, lf));
  if (b == -1) return {};
  return text::TrimBlanks(Middle(chunk, a, b - a));
}

std::string FrameRateText(std::string_view chunk) {
  const int start = StreamTextStart(chunk);
  int a = Find(chunk, " fps, ", start);
  if (a == -1) return {};
  int b = std::max(FindLast(chunk, ", ", a), start - 2);
  return Middle(chunk, b + 2, a - (b + 2));
}

std::string AudioCodecText(std::string_view chunk) {
  static constexpr std::string_view kAudio = ": Audio: ";
  const int at = Find(chunk, kAudio, StreamTextStart(chunk));
  if (at == -1) return {};
  const std::string_view rest = chunk.substr(size_t(at - 1) + kAudio.size());
  const size_t end = std::min(rest.find_first_of(" ,(\r\n"), rest.size());
  std::string codec(rest.substr(0, std::min(end, size_t(32))));
  const bool plain = std::all_of(codec.begin(), codec.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
  return plain ? codec : std::string();
}

MediaInfo ReadMediaInfo(std::string_view chunk, int durationPos, const std::string& path) {
  MediaInfo m;
  m.quotedPath = "\"" + path + "\"";
  m.duration = DurationText(chunk, durationPos);
  StreamFacts f = ParseStreams(chunk, m.duration);
  m.kind = f.kind;
  m.width = f.width;
  m.height = f.height;
  m.frameRate = FrameRateText(chunk);
  m.bitrate = BitrateText(chunk, durationPos);
  m.extension = text::ToLowerAscii(plat::ExtensionOf(path));
  m.audioCodec = AudioCodecText(chunk);
  return m;
}

}  // namespace probe
