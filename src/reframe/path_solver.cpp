#include "reframe/path_solver.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace reframe {
namespace {

struct Span {
  double lo = 0, hi = 0;
  double centre() const { return (lo + hi) / 2; }
  double length() const { return hi - lo; }
};

Span Union(const Span& a, const Span& b) { return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)}; }

double Clamp(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

// Samples a face may go unseen (the detector misses a frame, a head turns) and stay one track.
constexpr size_t kTrackGap = 6;
// A subject is a face seen in this share of its scene's samples (faces are looked for in every
// other one), or motion in this share.
constexpr double kFaceShare = 0.2;
constexpr double kMotionShare = 0.3;
// A scene whose picture moves as a whole this often is filmed by a moving camera.
constexpr double kGlobalMotionShare = 0.3;
// A second face counts from this share of the subject's weight; from the larger one, when the
// two never fit together, neither may be left out.
constexpr double kSecondFace = 0.4;
constexpr double kEqualFace = 0.75;

struct Track {
  std::vector<std::pair<size_t, Span>> hits;  // sample index (in the scene), extent
  double weight = 0;                          // size times presence
};

// Face detections linked frame to frame: each joins the track whose last face is nearest,
// within most of a face's width and a few samples, or starts a new one.
std::vector<Track> FaceTracks(const std::vector<Sample>& samples, size_t begin, size_t end, double extent) {
  std::vector<Track> tracks;
  for (size_t i = begin; i < end; ++i) {
    std::vector<Span> faces;
    for (const Detection& d : samples[i].detections)
      if (d.cue == Cue::Face) faces.push_back({d.lo, d.hi});
    std::sort(faces.begin(), faces.end(),
              [](const Span& a, const Span& b) { return a.length() > b.length(); });
    std::vector<bool> extended(tracks.size(), false);
    for (const Span& f : faces) {
      int best = -1;
      double bestDistance = 0.75 * std::max(f.length(), 0.05 * extent);
      for (size_t t = 0; t < tracks.size(); ++t) {
        const auto& [last, span] = tracks[t].hits.back();
        if (extended[t] || i - begin - last > kTrackGap) continue;
        const double distance = std::fabs(span.centre() - f.centre());
        if (distance <= bestDistance) {
          best = int(t);
          bestDistance = distance;
        }
      }
      if (best < 0) {
        tracks.push_back({});
        extended.push_back(false);
        best = int(tracks.size() - 1);
      }
      tracks[size_t(best)].hits.push_back({i - begin, f});
      tracks[size_t(best)].weight += f.length();
      extended[size_t(best)] = true;
    }
  }
  std::sort(tracks.begin(), tracks.end(), [](const Track& a, const Track& b) { return a.weight > b.weight; });
  return tracks;
}

// A track's extent at scene sample k: between two of its faces the line between them; before
// its first and after its last (when `hold`) those faces.
std::optional<Span> TrackAt(const Track& t, size_t k, bool hold) {
  const auto& h = t.hits;
  if (k <= h.front().first)
    return hold || k == h.front().first ? std::optional(h.front().second) : std::nullopt;
  if (k >= h.back().first) return hold || k == h.back().first ? std::optional(h.back().second) : std::nullopt;
  const auto next =
      std::lower_bound(h.begin(), h.end(), k, [](const auto& hit, size_t v) { return hit.first < v; });
  const auto prev = next - 1;
  const double f = double(k - prev->first) / double(next->first - prev->first);
  return Span{prev->second.lo + f * (next->second.lo - prev->second.lo),
              prev->second.hi + f * (next->second.hi - prev->second.hi)};
}

enum class SceneKind { Nothing, Subject, Crowd };

// What the window should hold at each sample of the scene [begin, end).
SceneKind Targets(const std::vector<Sample>& samples, size_t begin, size_t end, const SolverSettings& cfg,
                  std::vector<std::optional<Span>>* targets) {
  const size_t m = end - begin;
  targets->assign(m, std::nullopt);
  const std::vector<Track> tracks = FaceTracks(samples, begin, end, cfg.extent);
  if (!tracks.empty() && tracks[0].hits.size() >= 2 &&
      double(tracks[0].hits.size()) >= kFaceShare * double(m)) {
    const Track& subject = tracks[0];
    const Track* second = nullptr;
    for (size_t t = 1; t < tracks.size() && !second; ++t)
      if (tracks[t].hits.size() >= 2 && tracks[t].weight >= kSecondFace * subject.weight) second = &tracks[t];
    size_t together = 0, apart = 0;
    for (size_t k = 0; k < m; ++k) {
      Span s = *TrackAt(subject, k, true);
      if (const auto other = second ? TrackAt(*second, k, false) : std::nullopt) {
        ++together;
        if (Union(s, *other).length() <= 0.9 * cfg.window) {
          s = Union(s, *other);
        } else {
          ++apart;
        }
      }
      (*targets)[k] = s;
    }
    const bool equals = second && second->weight >= kEqualFace * subject.weight;
    return equals && together >= m / 2 && apart * 2 > together ? SceneKind::Crowd : SceneKind::Subject;
  }

  size_t moving = 0, found = 0;
  for (size_t k = 0; k < m; ++k) {
    const Sample& s = samples[begin + k];
    if (s.globalMotion) ++moving;
    double strongest = 0;
    for (const Detection& d : s.detections)
      if (d.cue == Cue::Motion) strongest = std::max(strongest, d.weight);
    std::optional<Span> all, main;
    for (const Detection& d : s.detections) {
      if (d.cue != Cue::Motion || d.weight < 0.5 * strongest) continue;
      all = all ? Union(*all, {d.lo, d.hi}) : Span{d.lo, d.hi};
      if (d.weight == strongest && !main) main = Span{d.lo, d.hi};
    }
    if (!all) continue;
    ++found;
    (*targets)[k] = all->length() <= cfg.window ? all : main;
  }
  if (double(moving) >= kGlobalMotionShare * double(m) || double(found) < kMotionShare * double(m))
    return SceneKind::Nothing;
  return SceneKind::Subject;
}

// Every target wholly inside the window placed at `position` (a target wider than the window
// with its centre inside).
bool AllWhollyInView(const std::vector<std::optional<Span>>& targets, double position, double window) {
  for (const auto& t : targets) {
    if (!t) continue;
    const bool wide = t->length() > window;
    if (wide ? t->centre() < position || t->centre() > position + window
             : t->lo < position || t->hi > position + window)
      return false;
  }
  return true;
}

// How many targets have their centre inside the window placed at `positions`.
size_t InView(const std::vector<std::optional<Span>>& targets, const std::vector<double>& positions,
              double window) {
  size_t n = 0;
  for (size_t k = 0; k < targets.size(); ++k)
    if (targets[k] && targets[k]->centre() >= positions[k] && targets[k]->centre() <= positions[k] + window)
      ++n;
  return n;
}

// The lazy camera along `held` (a target at every sample): it starts when the wanted place leaves
// the dead band, follows it no faster than the speed limit, and stops once the wanted place
// moves less than a quarter of the band between two samples.
std::vector<double> TrackPath(const std::vector<Sample>& samples, size_t begin, const std::vector<Span>& held,
                              const SolverSettings& cfg, double last) {
  const size_t m = held.size();
  // The wanted place, smoothed by a centred mean over a second: no lag, and a subject that
  // stops gives a wanted place that stops two samples later.
  std::vector<double> raw(m), want(m), out(m);
  for (size_t k = 0; k < m; ++k) raw[k] = Clamp(held[k].centre() - cfg.window / 2, 0, last);
  constexpr size_t kRadius = 2;
  for (size_t k = 0; k < m; ++k) {
    const size_t from = k >= kRadius ? k - kRadius : 0, to = std::min(m - 1, k + kRadius);
    double sum = 0;
    for (size_t j = from; j <= to; ++j) sum += raw[j];
    want[k] = sum / double(to - from + 1);
  }
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
    place = Clamp(next, 0, last);
    out[k] = place;
  }
  return out;
}

}  // namespace

SolvedPath SolvePath(const std::vector<Sample>& samples, const SolverSettings& cfg) {
  SolvedPath out;
  const size_t n = samples.size();
  out.positions.assign(n, 0);
  out.fallback.assign(n, false);
  out.sceneStart.assign(n, false);
  const double last = std::max(0.0, cfg.extent - cfg.window);
  const double middle = last / 2;

  size_t begin = 0;
  while (begin < n) {
    size_t end = begin + 1;
    while (end < n && !samples[end].cut) ++end;
    out.sceneStart[begin] = true;
    const size_t m = end - begin;

    std::vector<std::optional<Span>> targets;
    const SceneKind kind = Targets(samples, begin, end, cfg, &targets);
    std::vector<double> place(m, middle);
    Camera camera = Camera::Centre;
    if (kind == SceneKind::Crowd) {
      camera = Camera::Fallback;
    } else if (kind == SceneKind::Subject && !AllWhollyInView(targets, middle, cfg.window)) {
      // Frames where nothing was seen hold the nearest target (before, else after).
      std::vector<Span> held(m);
      std::optional<Span> carry;
      for (size_t k = 0; k < m && !carry; ++k) carry = targets[k];
      double lo = cfg.extent, hi = 0;
      for (size_t k = 0; k < m; ++k) {
        if (targets[k]) carry = targets[k];
        held[k] = *carry;
        lo = std::min(lo, held[k].lo);
        hi = std::max(hi, held[k].hi);
      }
      std::vector<double> moved;
      if (hi - lo <= cfg.window) {
        camera = Camera::Stationary;
        moved.assign(m, Clamp((lo + hi) / 2 - cfg.window / 2, 0, last));
      } else {
        camera = Camera::Tracking;
        moved = TrackPath(samples, begin, held, cfg, last);
      }
      // The middle keeps the subject in view as often: it stays, unless the camera keeps it
      // wholly in view where the middle cuts it.
      const size_t movedIn = InView(targets, moved, cfg.window),
                   middleIn = InView(targets, place, cfg.window);
      if (movedIn > middleIn || (movedIn == middleIn && camera == Camera::Stationary)) {
        place = moved;
      } else {
        camera = Camera::Centre;
      }
    }
    for (size_t k = 0; k < m; ++k) {
      out.positions[begin + k] = place[k];
      out.fallback[begin + k] = camera == Camera::Fallback;
    }
    out.cameras.push_back(camera);
    begin = end;
  }
  return out;
}

}  // namespace reframe
