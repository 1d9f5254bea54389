#pragma once
// Fonts for the text drawn into outputs: a font setting is a family name that fontconfig
// knows, or the path of a regular font file, nothing else.
#include <string>

namespace plat {

// The family asked for when no font is named: the Chinese font the package depends on.
inline constexpr char kDefaultFont[] = "WenQuanYi Micro Hei";

// The file of `font`: "" the default family (kDefaultFont, else any font fontconfig
// offers for Chinese), a name starting with '/' a regular file at that path, any other text a
// family fontconfig has installed under exactly that name (in any case). "" when there is
// none: fontconfig's nearest substitute is never taken for a font that was named.
std::string FontFileFor(const std::string& font);

}  // namespace plat
