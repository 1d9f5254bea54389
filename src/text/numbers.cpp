#include "text/numbers.h"

#include <cmath>
#include <cstdio>

namespace text {

std::string FormatG13(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", value);
  return buf;
}

double RoundHalfAway(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double scaled = std::fabs(value) * scale + 1e-12;
  double whole = std::floor(scaled);
  if (scaled - whole >= 0.5) whole += 1.0;
  const double result = whole / scale;
  return value < 0 ? -result : result;
}

std::string FormatElapsed(int seconds) {
  if (seconds <= 0) return {};
  const int days = seconds / 86400, rest = seconds % 86400;
  const int h = rest / 3600, m = rest % 3600 / 60, s = rest % 60;
  char text[32];
  if (days != 0)
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", days, h, m, s);
  else
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
  return text;
}

}  // namespace text
