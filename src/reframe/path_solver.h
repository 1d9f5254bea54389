#pragma once
// The camera of the subject-following crop, as a pure function: detections along the axis the
// crop window moves on (one list per analysed frame) in, the window's place per frame out.
//
// Each scene (a cut starts one) gets one camera: stationary when one place keeps every
// subject in view for the whole scene, tracking along a smoothed, speed-limited path with a
// dead band otherwise (a subject standing still gives a window standing still), the previous
// scene's place (or the centre) when nothing stands out, and the blurred look when the
// subjects do not fit in the window together for much of the scene.
#include <vector>

namespace reframe {

struct Detection {
  double lo = 0, hi = 0;  // extent along the moving axis, source pixels
  double weight = 0;      // how much it matters; the strongest ones must stay in view
};

struct Sample {
  double time = 0;   // seconds
  bool cut = false;  // the first frame of a new scene
  std::vector<Detection> detections;
};

struct SolverSettings {
  double extent = 0;           // the source's length along the axis
  double window = 0;           // the window's length along the axis
  double deadBand = 0.08;      // share of the window the subject may drift before the camera moves
  double maxSpeed = 1.0;       // windows per second
  double misfitShare = 0.3;    // share of a scene's frames that may not fit before it falls back
  double requiredShare = 0.5;  // detections at least this share of the strongest are required
};

enum class Camera { Centre, Stationary, Tracking, Fallback };

struct SolvedPath {
  std::vector<double> positions;  // the window's left (top) edge per sample
  std::vector<bool> fallback;     // per sample
  std::vector<bool> sceneStart;   // per sample: the first of its scene
  std::vector<Camera> cameras;    // per scene, in order
};

SolvedPath SolvePath(const std::vector<Sample>& samples, const SolverSettings& settings);

}  // namespace reframe
