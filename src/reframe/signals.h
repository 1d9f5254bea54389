#pragma once
// What moves in the small grey frames of the analysis, frame by frame: the difference to the
// previous frame as extents along the axis the crop window moves on, and whether the picture
// moved as a whole (a hand-held or panning camera), which says nothing about a subject. Pure:
// bytes in, detections out.
#include <cstdint>
#include <vector>

#include "reframe/path_solver.h"

namespace reframe {

struct GrayFrame {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height, row by row
};

class SignalTracker {
 public:
  explicit SignalTracker(bool across) : across_(across) {}
  struct Found {
    bool globalMotion = false;
    std::vector<Detection> detections;  // motion, in frame pixels along the axis
  };
  // Against the previous frame (nothing for the first).
  Found Next(const GrayFrame& frame);

 private:
  bool across_;
  GrayFrame previous_;
};

}  // namespace reframe
