#pragma once
// Number texts shared by the command builder and the progress display.
#include <string>

namespace text {

// printf's "%.13g": at most 13 significant digits, no trailing zeros (10, 58, 2.5, 0.45).
std::string FormatG13(double value);

// Rounds to `decimals` places, halves away from zero; the magnitude is scaled, 1e-12 is
// added and the fraction compared with one half, so 607.5 stays 607.5 and 99.999 -> 100.
double RoundHalfAway(double value, int decimals);

// Elapsed time "hh:mm:ss", or "dd:hh:mm:ss" from one day on; "" for 0 seconds or less.
std::string FormatElapsed(int seconds);

}  // namespace text
