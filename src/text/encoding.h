#pragma once
// Text encodings met at the program's edges: the settings file may come from a Windows
// installation in GBK, everything inside the program is UTF-8.
#include <string>
#include <string_view>

namespace text {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF, no cut-off character at the end).
bool IsValidUtf8(std::string_view bytes);

// GBK (code page 936) to UTF-8 through iconv. A byte sequence that is not GBK becomes
// U+FFFD and the conversion goes on with the next byte.
std::string GbkToUtf8(std::string_view gbk);

// Settings text as the program reads it: unchanged when it is valid UTF-8, else taken as GBK.
std::string Utf8OrGbkToUtf8(std::string_view bytes);

// Display width as GBK counts it: an ASCII character 1, any other character 2.
int DisplayWidth(std::string_view utf8);

// The longest start of `utf8` whose display width is at most `width`; the cut falls before
// the character that would pass the width, never inside a character.
std::string CutToDisplayWidth(std::string_view utf8, int width);

}  // namespace text
