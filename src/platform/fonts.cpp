#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <mutex>

#include "platform/platform.h"

namespace plat {
namespace {

std::mutex fontconfigUse;

// The best match for `pattern`; with `family`, only a font of that family counts.
std::string Match(FcPattern* pattern, const char* family) {
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  if (found) {
    bool named = family == nullptr;
    FcChar8* value = nullptr;
    for (int i = 0; !named && FcPatternGetString(found, FC_FAMILY, i, &value) == FcResultMatch; ++i)
      named = strcasecmp(reinterpret_cast<const char*>(value), family) == 0;
    if (named && FcPatternGetString(found, FC_FILE, 0, &value) == FcResultMatch)
      file = reinterpret_cast<const char*>(value);
    FcPatternDestroy(found);
  }
  FcPatternDestroy(pattern);
  return IsRegularFile(file) ? file : "";
}

// The family as a plain value: the name is never parsed as a fontconfig pattern, so
// "Sans:file=/x" is a family of that name, which no font has.
std::string FamilyFile(const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  return Match(pattern, family);
}

std::string ChineseFallback() {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  return Match(pattern, nullptr);
}

}  // namespace

std::string FontFileFor(const std::string& font) {
  if (!font.empty() && font[0] == '/') return IsRegularFile(font) ? font : "";
  const std::lock_guard lock(fontconfigUse);
  if (!FcInit()) return "";
  if (!font.empty()) return FamilyFile(font.c_str());
  const std::string file = FamilyFile(kDefaultFont);
  return file.empty() ? ChineseFallback() : file;
}

}  // namespace plat
