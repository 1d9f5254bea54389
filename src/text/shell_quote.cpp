#include "text/shell_quote.h"

#include <string_view>

namespace text {
namespace {

bool IsPlain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("_-+=%@:,./").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string ShellQuote(const std::string& word) {
  bool plain = !word.empty();
  for (unsigned char c : word) plain = plain && IsPlain(c);
  if (plain) return word;
  std::string r = "'";
  for (char c : word) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string ShellLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) {
    if (!line.empty()) line += ' ';
    line += ShellQuote(w);
  }
  return line;
}

}  // namespace text
