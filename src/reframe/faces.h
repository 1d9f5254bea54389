#pragma once
// Frontal faces in a grey analysis frame: dlib's HOG detector, whose model is compiled into
// the program (no model file, no runtime library). Faces about 80 pixels high and larger are
// found; the analysis frames are about 480 pixels wide, so a face of a sixth of the picture's
// height or more.
#include <memory>
#include <vector>

#include "reframe/signals.h"

namespace reframe {

struct FaceBox {
  int left = 0, top = 0, right = 0, bottom = 0;  // frame pixels, inclusive
  double score = 0;                              // the detector's confidence, above 0
};

class FaceFinder {
 public:
  FaceFinder();
  ~FaceFinder();
  FaceFinder(const FaceFinder&) = delete;
  FaceFinder& operator=(const FaceFinder&) = delete;
  std::vector<FaceBox> Find(const GrayFrame& frame);

 private:
  struct Detector;
  std::unique_ptr<Detector> detector_;
};

}  // namespace reframe
