#include "reframe/signals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace reframe {
namespace {

constexpr int kBins = 32;
constexpr double kCutDistance = 0.35;   // histogram change (0 same, 1 disjoint) that marks a cut
constexpr int kMotionThreshold = 25;    // grey levels a pixel must change by
constexpr int kContrastThreshold = 48;  // grey levels from the frame's median
constexpr double kMinMass = 0.002;      // share of the frame's pixels a detection needs
constexpr double kMaxCover = 0.6;       // a signal covering more of the axis says nothing
constexpr int kGap = 3;                 // pixels between two runs that still make one

std::vector<double> Histogram(const GrayFrame& f) {
  std::vector<double> h(kBins, 0);
  for (uint8_t p : f.pixels) h[p * kBins / 256] += 1;
  for (double& v : h) v /= std::max<size_t>(1, f.pixels.size());
  return h;
}

uint8_t Median(const GrayFrame& f) {
  std::vector<size_t> count(256, 0);
  for (uint8_t p : f.pixels) ++count[p];
  size_t seen = 0;
  for (int v = 0; v < 256; ++v)
    if ((seen += count[size_t(v)]) * 2 >= f.pixels.size()) return static_cast<uint8_t>(v);
  return 0;
}

// Runs of the profile (pixels that stand out per column or row) as weighted detections.
void AddRuns(const std::vector<int>& profile, int across, double minMass, double weight,
             std::vector<Detection>* out) {
  std::vector<Detection> runs;
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
  if (covered > kMaxCover * static_cast<double>(profile.size())) return;
  double strongest = 0;
  for (const Detection& d : runs) strongest = std::max(strongest, d.weight);
  for (Detection d : runs) {
    if (d.weight < minMass) continue;
    d.weight = weight * d.weight / strongest;
    out->push_back(d);
  }
}

}  // namespace

SignalTracker::Found SignalTracker::Next(const GrayFrame& f) {
  Found found;
  const std::vector<double> h = Histogram(f);
  bool sameScene = !histogram_.empty() && previous_.width == f.width && previous_.height == f.height;
  if (sameScene) {
    double distance = 0;
    for (int b = 0; b < kBins; ++b) distance += std::fabs(h[size_t(b)] - histogram_[size_t(b)]);
    if (distance / 2 > kCutDistance) sameScene = false;
  }
  found.cut = !histogram_.empty() && !sameScene;

  const int length = across_ ? f.width : f.height;
  const int other = across_ ? f.height : f.width;
  const double minMass = kMinMass * f.width * f.height;
  std::vector<int> motion(size_t(length), 0), contrast(size_t(length), 0);
  const int median = Median(f);
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const size_t at = size_t(y) * size_t(f.width) + size_t(x);
      const size_t k = size_t(across_ ? x : y);
      if (std::abs(int(f.pixels[at]) - median) > kContrastThreshold) ++contrast[k];
      if (sameScene && std::abs(int(f.pixels[at]) - int(previous_.pixels[at])) > kMotionThreshold)
        ++motion[k];
    }
  }
  if (sameScene) AddRuns(motion, other, minMass, kMotionWeight, &found.detections);
  AddRuns(contrast, other, minMass, kContrastWeight, &found.detections);
  previous_ = f;
  histogram_ = h;
  return found;
}

}  // namespace reframe
