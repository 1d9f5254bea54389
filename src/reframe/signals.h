#pragma once
// What stands out in the small grey frames of the analysis, frame by frame: motion (the
// difference to the previous frame of the same scene) and contrast (pixels far from the
// surround's mean brightness), each as extents along the axis the crop window moves on, and
// the scene cuts (a change of the brightness histogram). Pure: bytes in, detections out.
#include <cstdint>
#include <vector>

#include "reframe/path_solver.h"

namespace reframe {

struct GrayFrame {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height, row by row
};

inline constexpr double kMotionWeight = 1.0;
// Below half the motion's, so a still object that merely stands out is kept in view only when
// nothing moves.
inline constexpr double kContrastWeight = 0.45;

class SignalTracker {
 public:
  explicit SignalTracker(bool across) : across_(across) {}
  struct Found {
    bool cut = false;
    std::vector<Detection> detections;  // in frame pixels along the axis
  };
  Found Next(const GrayFrame& frame);

 private:
  bool across_;
  GrayFrame previous_;
  std::vector<double> histogram_;
};

}  // namespace reframe
