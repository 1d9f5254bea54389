#include "reframe/path_solver.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace reframe {
namespace {

struct Span {
  double lo, hi;
  double centre() const { return (lo + hi) / 2; }
};

// The extent every required detection of a frame covers, or nothing.
std::optional<Span> RequiredSpan(const Sample& s, double requiredShare) {
  double strongest = 0;
  for (const Detection& d : s.detections) strongest = std::max(strongest, d.weight);
  if (strongest <= 0) return std::nullopt;
  std::optional<Span> span;
  for (const Detection& d : s.detections) {
    if (d.weight < requiredShare * strongest) continue;
    if (!span) span = Span{d.lo, d.hi};
    span->lo = std::min(span->lo, d.lo);
    span->hi = std::max(span->hi, d.hi);
  }
  return span;
}

double Clamp(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

SolvedPath SolvePath(const std::vector<Sample>& samples, const SolverSettings& cfg) {
  SolvedPath out;
  const size_t n = samples.size();
  out.positions.assign(n, 0);
  out.fallback.assign(n, false);
  out.sceneStart.assign(n, false);
  const double last = std::max(0.0, cfg.extent - cfg.window);
  double previous = last / 2;  // the centre until a scene finds a place

  std::vector<std::optional<Span>> spans(n);
  for (size_t i = 0; i < n; ++i) spans[i] = RequiredSpan(samples[i], cfg.requiredShare);

  size_t begin = 0;
  while (begin < n) {
    // A scene runs to the next cut, or to a subject that jumps further than a window.
    size_t end = begin + 1;
    std::optional<Span> prevSpan = spans[begin];
    for (; end < n && !samples[end].cut; ++end) {
      if (prevSpan && spans[end] && std::fabs(spans[end]->centre() - prevSpan->centre()) > cfg.window) break;
      if (spans[end]) prevSpan = spans[end];
    }

    out.sceneStart[begin] = true;
    int found = 0, misfits = 0;
    double lo = cfg.extent, hi = 0;
    for (size_t i = begin; i < end; ++i) {
      if (!spans[i]) continue;
      ++found;
      if (spans[i]->hi - spans[i]->lo > cfg.window) ++misfits;
      lo = std::min(lo, spans[i]->lo);
      hi = std::max(hi, spans[i]->hi);
    }

    Camera camera;
    if (found == 0) {
      camera = Camera::Centre;
      for (size_t i = begin; i < end; ++i) out.positions[i] = previous;
    } else if (misfits > cfg.misfitShare * found) {
      camera = Camera::Fallback;
      for (size_t i = begin; i < end; ++i) {
        out.positions[i] = previous;
        out.fallback[i] = true;
      }
    } else if (hi - lo <= cfg.window) {
      camera = Camera::Stationary;
      const double place = Clamp((lo + hi) / 2 - cfg.window / 2, 0, last);
      for (size_t i = begin; i < end; ++i) out.positions[i] = place;
      previous = place;
    } else {
      camera = Camera::Tracking;
      // Frames where nothing stood out hold the nearest subject's place (before, else after).
      std::vector<Span> held(end - begin);
      std::optional<Span> carry;
      for (size_t i = begin; i < end && !carry; ++i) carry = spans[i];
      for (size_t i = begin; i < end; ++i) {
        if (spans[i]) carry = spans[i];
        held[i - begin] = *carry;
      }
      const size_t m = held.size();
      // The wanted place, smoothed by a centred mean over a second: no lag, and a subject that
      // stops gives a wanted place that stops two samples later.
      std::vector<double> raw(m), want(m);
      for (size_t k = 0; k < m; ++k) raw[k] = Clamp(held[k].centre() - cfg.window / 2, 0, last);
      constexpr size_t kRadius = 2;
      for (size_t k = 0; k < m; ++k) {
        const size_t from = k >= kRadius ? k - kRadius : 0, to = std::min(m - 1, k + kRadius);
        double sum = 0;
        for (size_t j = from; j <= to; ++j) sum += raw[j];
        want[k] = sum / double(to - from + 1);
      }
      // A lazy camera: it starts when the wanted place leaves the dead band, follows it no
      // faster than the speed limit, and stops once the wanted place moves less than a quarter
      // of the band between two samples; a subject at risk of leaving the window wins over all.
      const double band = cfg.deadBand * cfg.window;
      double place = want[0];
      bool moving = false;
      for (size_t k = 0; k < m; ++k) {
        const double dt = k == 0 ? 0 : samples[begin + k].time - samples[begin + k - 1].time;
        const double diff = want[k] - place;
        if (!moving && std::fabs(diff) > band) moving = true;
        double next = place;
        if (moving) {
          next = want[k];
          if (std::fabs(diff) <= band / 4) {
            moving = false;
            next = place;
          }
        }
        const double step = cfg.maxSpeed * cfg.window * std::max(dt, 0.0);
        if (k > 0) next = Clamp(next, place - step, place + step);
        // The window must hold the span: its left edge within [hi - window, lo].
        const Span& s = held[k];
        if (s.hi - s.lo <= cfg.window) next = Clamp(next, s.hi - cfg.window, s.lo);
        place = Clamp(next, 0, last);
        out.positions[begin + k] = place;
      }
      previous = place;
    }
    out.cameras.push_back(camera);
    begin = end;
  }
  return out;
}

}  // namespace reframe
