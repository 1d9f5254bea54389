#include "task/layout.h"

#include <cctype>

namespace task {

std::string LayoutText(const CanvasLayout& layout) {
  switch (layout.kind) {
    case LayoutKind::Colour:
      return "colour:" + layout.colour;
    case LayoutKind::Crop:
      return "crop:" + std::to_string(layout.cropPercent);
    case LayoutKind::Follow:
      return "follow";
    case LayoutKind::Blur:
      break;
  }
  return "blur";
}

std::optional<CanvasLayout> ParseLayout(std::string_view text) {
  const size_t colon = text.find(':');
  const std::string_view name = text.substr(0, colon);
  const bool hasValue = colon != std::string_view::npos;
  const std::string_view value = hasValue ? text.substr(colon + 1) : std::string_view();
  CanvasLayout layout;
  if (name == "blur" || name == "follow") {
    if (hasValue) return std::nullopt;
    layout.kind = name == "blur" ? LayoutKind::Blur : LayoutKind::Follow;
    return layout;
  }
  if (name == "colour" || name == "color") {
    layout.kind = LayoutKind::Colour;
    if (!hasValue) return layout;
    if (value.size() != 6) return std::nullopt;
    layout.colour.clear();
    for (char c : value) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      layout.colour += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return layout;
  }
  if (name == "crop") {
    layout.kind = LayoutKind::Crop;
    if (!hasValue) return layout;
    if (value.empty() || value.size() > 3) return std::nullopt;
    int percent = 0;
    for (char c : value) {
      if (c < '0' || c > '9') return std::nullopt;
      percent = percent * 10 + (c - '0');
    }
    if (percent > 100) return std::nullopt;
    layout.cropPercent = percent;
    return layout;
  }
  return std::nullopt;
}

std::string LayoutCopiesProblem(const CanvasLayout& layout, int copies) {
  if (!layout.cropsForeground() || copies <= 1) return "";
  return "裁切铺满和智能跟随只用一份前景，前景计数须为 1。";
}

}  // namespace task
