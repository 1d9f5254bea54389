#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace text {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character at the start of `s`, 0 when it is not one.
size_t CharacterLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  const auto b1 = static_cast<unsigned char>(s[1]);
  if (b1 < low || b1 > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (!IsContinuation(static_cast<unsigned char>(s[i]))) return 0;
  return length;
}

// Length of the character at the start of `s` for cutting purposes: a malformed byte is a
// character of its own.
size_t StepLength(std::string_view s) {
  size_t n = CharacterLength(s);
  return n == 0 ? 1 : n;
}

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    size_t n = CharacterLength(bytes);
    if (n == 0) return false;
    bytes.remove_prefix(n);
  }
  return true;
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  if (gbk.empty()) return out;
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No GBK converter on this system: keep the ASCII, mark everything else.
    for (unsigned char c : gbk) out += c < 0x80 ? std::string(1, char(c)) : kReplacement;
    return out;
  }
  std::string input(gbk);
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, size_t(outPtr - buffer));
    if (r != size_t(-1)) continue;
    if (errno == E2BIG) continue;  // buffer full: go round again
    // EILSEQ (not GBK) or EINVAL (a double-byte character cut off at the end).
    out += kReplacement;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

std::string Utf8OrGbkToUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : GbkToUtf8(bytes);
}

int DisplayWidth(std::string_view utf8) {
  int width = 0;
  while (!utf8.empty()) {
    width += static_cast<unsigned char>(utf8[0]) < 0x80 ? 1 : 2;
    utf8.remove_prefix(StepLength(utf8));
  }
  return width;
}

std::string CutToDisplayWidth(std::string_view utf8, int width) {
  size_t end = 0;
  int used = 0;
  while (end < utf8.size()) {
    const int w = static_cast<unsigned char>(utf8[end]) < 0x80 ? 1 : 2;
    if (used + w > width) break;
    used += w;
    end += StepLength(utf8.substr(end));
  }
  return std::string(utf8.substr(0, end));
}

}  // namespace text
