#include "text/bytes.h"

#include <algorithm>
#include <cstdlib>

namespace text {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool MatchesAt(std::string_view text, std::string_view needle, size_t at, Case c) {
  if (at + needle.size() > text.size()) return false;
  for (size_t i = 0; i < needle.size(); ++i) {
    char a = text[at + i], b = needle[i];
    if (c == Case::Ignore) {
      a = LowerAscii(a);
      b = LowerAscii(b);
    }
    if (a != b) return false;
  }
  return true;
}

}  // namespace

int Find(std::string_view text, std::string_view needle, int start, Case c) {
  if (text.empty() || needle.empty()) return -1;
  if (start < 1) start = 1;
  for (size_t at = size_t(start - 1); at + needle.size() <= text.size(); ++at)
    if (MatchesAt(text, needle, at, c)) return int(at) + 1;
  return -1;
}

int FindLast(std::string_view text, std::string_view needle, int before) {
  if (before <= 1 || text.empty() || needle.empty() || needle.size() > text.size()) return -1;
  // The occurrence must end at position before - 1 or earlier.
  long last = std::min<long>(long(before) - 1 - long(needle.size()), long(text.size() - needle.size()));
  for (long at = last; at >= 0; --at)
    if (MatchesAt(text, needle, size_t(at), Case::Exact)) return int(at) + 1;
  return -1;
}

int FindLast(std::string_view text, std::string_view needle) {
  return FindLast(text, needle, int(text.size()) + 1);
}

std::string Middle(std::string_view text, int start, int count) {
  if (start < 1 || count <= 0 || size_t(start) > text.size()) return {};
  return std::string(text.substr(size_t(start - 1), size_t(count)));
}

std::string Left(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, size_t(count)));
}

std::string Right(std::string_view text, int count) {
  if (count <= 0) return {};
  if (size_t(count) >= text.size()) return std::string(text);
  return std::string(text.substr(text.size() - size_t(count)));
}

int ToInteger(std::string_view text) {
  std::string s(text);
  return std::atoi(s.c_str());
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        int from) {
  int a = Find(text, startMarker, from);
  if (a == -1) return {};
  a += int(startMarker.size());
  int b = Find(text, endMarker, a);
  if (b == -1) return {};
  return Middle(text, a, b - a);
}

std::string TrimBlanks(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return std::string(text.substr(b, e - b));
}

int SecondsOfDuration(std::string_view d) {
  if (Middle(d, 3, 1) != ":" || Middle(d, 6, 1) != ":") return 0;
  return ToInteger(Left(d, 2)) * 3600 + ToInteger(Middle(d, 4, 2)) * 60 + ToInteger(Middle(d, 7, 2));
}

std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    if (MatchesAt(text, from, at, Case::Ignore)) {
      out.append(to);
      at += from.size();
    } else {
      out.push_back(text[at++]);
    }
  }
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

}  // namespace text
