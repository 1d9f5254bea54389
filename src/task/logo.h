#pragma once
// A logo laid over the finished canvas: a still picture (PNG with its transparency, JPG) or
// a GIF, which plays in a loop for the whole output; in a corner, as wide as a share of the
// canvas, a margin away from both edges, at an opacity.
#include <optional>
#include <string>
#include <string_view>

namespace task {

enum class LogoPlace { TopLeft, TopRight, BottomLeft, BottomRight };

struct Logo {
  std::string path;  // between double quotes like every source path; "" no logo
  int kind = 0;      // the probed kind code: kKindStill or kKindGif
  LogoPlace place = LogoPlace::TopRight;
  int size = 15;      // width, % of the canvas width
  int margin = 3;     // from both edges, % of the canvas width
  int opacity = 100;  // %
  bool used() const { return !path.empty(); }
  bool operator==(const Logo&) const = default;
};

inline constexpr int kLogoSizeMin = 1, kLogoSizeMax = 100;
inline constexpr int kLogoMarginMin = 0, kLogoMarginMax = 50;
inline constexpr int kLogoOpacityMin = 1, kLogoOpacityMax = 100;

// "top-left", "top-right", "bottom-left", "bottom-right", and the place of such a word.
const char* LogoPlaceWord(LogoPlace place);
std::optional<LogoPlace> LogoPlaceOf(std::string_view word);

// The logo's input words: a GIF played again and again, a still picture read once (the
// overlay keeps showing its one frame).
std::string LogoInput(const Logo& logo);

// Appended to a graph whose last filter gives the finished canvas (`width` wide): the logo,
// the stream `picture` ("[3:v]"), scaled, made transparent and laid over it. `tag` sets the
// labels of this overlay apart from another output's in the same graph.
std::string LogoOverlay(const Logo& logo, const std::string& picture, int width, const std::string& tag = "");

}  // namespace task
