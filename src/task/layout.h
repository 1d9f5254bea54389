#pragma once
// What the canvas shows around (or instead of) the foreground: the blurred background of the
// classic graph, one colour, a fixed crop that fills the canvas, or a crop that follows the
// subject along a path found by an analysis pass before the conversion (src/reframe).
#include <optional>
#include <string>
#include <string_view>

namespace task {

enum class LayoutKind { Blur, Colour, Crop, Follow };

struct CanvasLayout {
  LayoutKind kind = LayoutKind::Blur;
  std::string colour = "000000";  // RRGGBB, upper case (Colour)
  int cropPercent = 50;           // 0 left/top .. 100 right/bottom (Crop)

  // The crop layouts fill the canvas with one copy of the foreground and need no background.
  bool cropsForeground() const { return kind == LayoutKind::Crop || kind == LayoutKind::Follow; }
  bool operator==(const CanvasLayout&) const = default;
};

// "blur", "colour:RRGGBB", "crop:PERCENT", "follow": the command line's and the list files'
// form. Parse takes "colour" and "crop" without a value as their defaults and gives nothing
// for any other text.
std::string LayoutText(const CanvasLayout& layout);
std::optional<CanvasLayout> ParseLayout(std::string_view text);

// Refusal of a crop layout with more than one foreground copy ("" when fine).
std::string LayoutCopiesProblem(const CanvasLayout& layout, int copies);

}  // namespace task
