#include "reframe/signals.h"

#include <algorithm>
#include <cstdlib>

namespace reframe {
namespace {

constexpr int kMotionThreshold = 25;  // grey levels a pixel must change by
constexpr double kMinMass = 0.002;    // share of the frame's pixels a detection needs
constexpr double kGlobalShare = 0.2;  // share of the pixels that move when the camera does
constexpr double kMaxCover = 0.6;     // motion over more of the axis says nothing
constexpr int kGap = 3;               // pixels between two runs that still make one

// Runs of the profile (moving pixels per column or row) as weighted detections, the strongest
// weighing 1.
std::vector<Detection> Runs(const std::vector<int>& profile, int across, double minMass) {
  std::vector<Detection> runs, out;
  const int perLine = std::max(2, across / 50);
  int covered = 0;
  for (int k = 0; k < static_cast<int>(profile.size()); ++k) {
    if (profile[size_t(k)] < perLine) continue;
    ++covered;
    if (!runs.empty() && k - runs.back().hi <= kGap) {
      runs.back().hi = k + 1;
      runs.back().weight += profile[size_t(k)];
    } else {
      runs.push_back({double(k), double(k + 1), double(profile[size_t(k)])});
    }
  }
  if (covered > kMaxCover * static_cast<double>(profile.size())) return out;
  double strongest = 0;
  for (const Detection& d : runs) strongest = std::max(strongest, d.weight);
  for (Detection d : runs) {
    if (d.weight < minMass) continue;
    d.weight /= strongest;
    out.push_back(d);
  }
  return out;
}

}  // namespace

SignalTracker::Found SignalTracker::Next(const GrayFrame& f) {
  Found found;
  const bool comparable = previous_.width == f.width && previous_.height == f.height && !f.pixels.empty();
  if (comparable) {
    const int length = across_ ? f.width : f.height;
    const int other = across_ ? f.height : f.width;
    std::vector<int> motion(size_t(length), 0);
    size_t moved = 0;
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        const size_t at = size_t(y) * size_t(f.width) + size_t(x);
        if (std::abs(int(f.pixels[at]) - int(previous_.pixels[at])) <= kMotionThreshold) continue;
        ++motion[size_t(across_ ? x : y)];
        ++moved;
      }
    }
    found.globalMotion = double(moved) > kGlobalShare * double(f.pixels.size());
    if (!found.globalMotion) found.detections = Runs(motion, other, kMinMass * f.width * f.height);
  }
  previous_ = f;
  return found;
}

}  // namespace reframe
