#pragma once
// The aspect-ratio table behind the ratio list 宽高比例. Entry k (1 to 11) is the long side
// over the short side of item k; entry k + 11 the short side over the long side. These are
// the decimal values the program has always used (1.777778, 0.54, 0.426632), not exact
// fractions: sizes computed from them must stay the same from version to version.
#include <array>

namespace app {

inline constexpr std::array<double, 23> kRatioTable = {
    0.0,                                                            // entries are numbered from 1
    1.777778, 1.6,   1.666667, 1.333333, 2.333333, 1.85, 2.35,      // 竖->横 16:9 ... 47:20
    1.777778, 1.6,   1.666667, 1.333333,                            // 横->竖 9:16 ... 3:4
    0.5625,   0.625, 0.6,      0.75,     0.428571, 0.54, 0.426632,  // the same, short over long
    0.5625,   0.625, 0.6,      0.75};

// Largest number of foreground copies offered side by side. A very thin foreground on a
// very flat output would otherwise ask for thousands of list items (and overlays).
inline constexpr int kMaxForegroundCopies = 100;

}  // namespace app
