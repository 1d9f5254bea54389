#include "reframe/signals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace reframe {
namespace {

constexpr int kBins = 32;
constexpr double kCutDistance = 0.35;   // histogram change (0 same, 1 disjoint) that marks a cut
constexpr int kMotionThreshold = 25;    // grey levels a pixel must change by
constexpr int kContrastThreshold = 32;  // grey levels from the surround's mean
constexpr double kMinMass = 0.002;      // share of the frame's pixels a detection needs
constexpr double kMaxCover = 0.6;       // a signal covering more of the axis says nothing
constexpr int kGap = 3;                 // pixels between two runs that still make one

std::vector<double> Histogram(const GrayFrame& f) {
  std::vector<double> h(kBins, 0);
  for (uint8_t p : f.pixels) h[p * kBins / 256] += 1;
  for (double& v : h) v /= std::max<size_t>(1, f.pixels.size());
  return h;
}

// Centre against surround: the mean of a box of (2r+1)^2 pixels around each pixel, from an
// integral image. A smooth background drops out; what has edges and detail stands out.
std::vector<int> SurroundMeans(const GrayFrame& f, int r) {
  const size_t w = size_t(f.width), h = size_t(f.height);
  std::vector<int64_t> sum((w + 1) * (h + 1), 0);
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x)
      sum[(y + 1) * (w + 1) + x + 1] =
          f.pixels[y * w + x] + sum[y * (w + 1) + x + 1] + sum[(y + 1) * (w + 1) + x] - sum[y * (w + 1) + x];
  std::vector<int> mean(w * h);
  for (int y = 0; y < f.height; ++y) {
    const int y0 = std::max(0, y - r), y1 = std::min(f.height, y + r + 1);
    for (int x = 0; x < f.width; ++x) {
      const int x0 = std::max(0, x - r), x1 = std::min(f.width, x + r + 1);
      const auto at = [&](int yy, int xx) { return sum[size_t(yy) * (w + 1) + size_t(xx)]; };
      const int64_t s = at(y1, x1) - at(y0, x1) - at(y1, x0) + at(y0, x0);
      mean[size_t(y) * w + size_t(x)] = static_cast<int>(s / ((y1 - y0) * (x1 - x0)));
    }
  }
  return mean;
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
  const std::vector<int> surround = SurroundMeans(f, std::max(4, f.width / 30));
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const size_t at = size_t(y) * size_t(f.width) + size_t(x);
      const size_t k = size_t(across_ ? x : y);
      if (std::abs(int(f.pixels[at]) - surround[at]) > kContrastThreshold) ++contrast[k];
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
