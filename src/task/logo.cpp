#include "task/logo.h"

#include <algorithm>
#include <array>

#include "task/control_rules.h"
#include "text/numbers.h"

namespace task {
namespace {

constexpr std::array<const char*, 4> kPlaceWords = {"top-left", "top-right", "bottom-left", "bottom-right"};

}  // namespace

const char* LogoPlaceWord(LogoPlace place) { return kPlaceWords[static_cast<size_t>(place)]; }

std::optional<LogoPlace> LogoPlaceOf(std::string_view word) {
  for (size_t i = 0; i < kPlaceWords.size(); ++i)
    if (word == kPlaceWords[i]) return static_cast<LogoPlace>(i);
  return std::nullopt;
}

std::string LogoInput(const Logo& logo) {
  return (logo.kind == kKindGif ? " -stream_loop -1 -i " : " -i ") + logo.path;
}

std::string LogoOverlay(const Logo& logo, const std::string& picture, int width, const std::string& tag) {
  const int w = std::max(2, width * logo.size / 100), m = width * logo.margin / 100;
  const bool left = logo.place == LogoPlace::TopLeft || logo.place == LogoPlace::BottomLeft;
  const bool top = logo.place == LogoPlace::TopLeft || logo.place == LogoPlace::TopRight;
  const std::string margin = std::to_string(m);
  const std::string canvas = "[canvas" + tag + "]", over = "[logo" + tag + "]";
  std::string r = canvas + ";" + picture + "scale=" + std::to_string(w) + ":-1,format=rgba";
  if (logo.opacity < 100) r += ",colorchannelmixer=aa=" + text::FormatG13(logo.opacity / 100.0);
  r += over + ";" + canvas + over + "overlay=" + (left ? margin : "W-w-" + margin) + ":" +
       (top ? margin : "H-h-" + margin);
  // A GIF loops without end: the output ends with the canvas.
  if (logo.kind == kKindGif) r += ":shortest=1";
  return r;
}

}  // namespace task
