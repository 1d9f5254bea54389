#include "reframe/faces.h"

// dlib's configuration asks for BLAS and LAPACK, which only training needs; the detector runs
// without them, so the program links no numeric library.
#include <dlib/assert.h>
#include <dlib/test_for_odr_violations.h>
#undef DLIB_USE_BLAS
#undef DLIB_USE_LAPACK
#undef DLIB_CHECK_FOR_VERSION_MISMATCH
#include <dlib/image_processing/frontal_face_detector.h>

namespace reframe {

struct FaceFinder::Detector {
  dlib::frontal_face_detector detect = dlib::get_frontal_face_detector();
  dlib::array2d<unsigned char> image;
};

FaceFinder::FaceFinder() : detector_(std::make_unique<Detector>()) {}
FaceFinder::~FaceFinder() = default;

std::vector<FaceBox> FaceFinder::Find(const GrayFrame& f) {
  std::vector<FaceBox> faces;
  if (f.width <= 0 || f.height <= 0 || f.pixels.size() != size_t(f.width) * size_t(f.height)) return faces;
  dlib::array2d<unsigned char>& image = detector_->image;
  image.set_size(f.height, f.width);
  for (int y = 0; y < f.height; ++y) {
    const uint8_t* row = f.pixels.data() + size_t(y) * size_t(f.width);
    for (int x = 0; x < f.width; ++x) image[y][x] = row[x];
  }
  std::vector<std::pair<double, dlib::rectangle>> found;
  detector_->detect(image, found, 0.0);
  for (const auto& [score, r] : found)
    faces.push_back({int(r.left()), int(r.top()), int(r.right()), int(r.bottom()), score});
  return faces;
}

}  // namespace reframe
