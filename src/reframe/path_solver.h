#pragma once
// The camera of the subject-following crop, as a pure function: what the analysis saw along the
// axis the crop window moves on (one list per analysed frame) in, the window's place per frame
// out.
//
// Scenes end only at cuts. Within a scene faces come first: face detections are linked into
// tracks, the largest and most lasting one is the subject, and a second face is framed with it
// when both fit in the window. A scene without faces follows motion, unless the whole picture
// moves (a hand-held or panning camera), which says nothing about a subject. The camera then
// holds the middle when the subject never leaves the middle window, or stands still when one
// place holds it for the whole scene, or tracks it along a smoothed path within a dead band
// and a speed limit that always holds (no jump within a scene). A scene whose signals are too
// sparse, or whose tracking would keep the subject in view less often than the middle would,
// holds the middle: never worse than the fixed middle crop. Two faces of equal weight that
// never fit together show the blurred look.
#include <vector>

namespace reframe {

enum class Cue { Motion, Face };

struct Detection {
  double lo = 0, hi = 0;  // extent along the moving axis, source pixels
  double weight = 0;      // motion: its mass relative to the frame's strongest; face: the detector's score
  Cue cue = Cue::Motion;
};

struct Sample {
  double time = 0;            // seconds
  bool cut = false;           // the first analysed frame of a new scene
  double cutTime = 0;         // when `cut`: the time of the scene's first frame (at most `time`)
  bool globalMotion = false;  // most of the picture moved since the previous sample
  std::vector<Detection> detections;
};

struct SolverSettings {
  double extent = 0;       // the source's length along the axis
  double window = 0;       // the window's length along the axis
  double deadBand = 0.08;  // share of the window the subject may drift before the camera moves
  double maxSpeed = 1.0;   // windows per second
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
