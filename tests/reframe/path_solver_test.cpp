// The camera on tables of what the analysis saw: a still face, a face with motion elsewhere, a
// panning camera, two faces near and far, a cut, a walking face and nothing at all. The
// subject's centre must be inside the window at every sample, the window may never move
// faster than the speed limit within a scene, and each scene gets the camera it calls for.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reframe/path_solver.h"

using namespace reframe;

namespace {

constexpr double kExtent = 1920, kWindow = 608;

Detection Face(double left, double width = 120) { return {left, left + width, 1.0, Cue::Face}; }
Detection Motion(double left, double width = 120) { return {left, left + width, 1.0, Cue::Motion}; }

struct SolverCase {
  const char* name;
  std::function<std::vector<Detection>(int)> seen;    // sample i's detections
  std::function<std::optional<double>(int)> subject;  // the centre that must stay in view
  std::vector<Camera> cameras;
  int cutAt = -1;
  bool panning = false;
  bool still = false;  // the window never moves within a scene
};

void PrintTo(const SolverCase& c, std::ostream* os) { *os << c.name; }

// Faces are looked for in every other sample, as the analysis does.
std::vector<Detection> Every2(int i, std::vector<Detection> faces) {
  return i % 2 == 0 ? faces : std::vector<Detection>{};
}

const std::vector<SolverCase>& Cases() {
  static const std::vector<SolverCase> cases = {
      {"still_face",
       [](int i) { return Every2(i, {Face(1500)}); },
       [](int) { return 1560.0; },
       {Camera::Stationary},
       -1,
       false,
       true},
      // Motion far from the face (a hand, a passer-by) does not pull the camera.
      {"face_and_motion_elsewhere",
       [](int i) {
         std::vector<Detection> d = Every2(i, {Face(1500)});
         d.push_back(Motion(100 + 5 * i, 200));
         return d;
       },
       [](int) { return 1560.0; },
       {Camera::Stationary},
       -1,
       false,
       true},
      // The whole picture moves: what moves says nothing, the camera holds the middle.
      {"camera_pan",
       [](int i) { return i % 3 ? std::vector<Detection>{} : std::vector{Motion(150)}; },
       [](int) { return std::nullopt; },
       {Camera::Centre},
       -1,
       true,
       true},
      {"two_faces_near",
       [](int i) {
         return Every2(i, {Face(1300), Face(1550)});
       },
       [](int) { return 1360.0; },
       {Camera::Stationary},
       -1,
       false,
       true},
      // Far apart and one clearly larger: the larger is the subject.
      {"two_faces_far",
       [](int i) {
         return Every2(i, {Face(200, 160), Face(1600, 90)});
       },
       [](int) { return 280.0; },
       {Camera::Stationary},
       -1,
       false,
       true},
      {"cut",
       [](int i) { return Every2(i, {Face(i < 21 ? 150 : 1600)}); },
       [](int i) { return i < 21 ? 210.0 : 1660.0; },
       {Camera::Stationary, Camera::Stationary},
       21,
       false,
       true},
      {"walking_face",
       [](int i) { return Every2(i, {Face(40 + 35 * i)}); },
       [](int i) { return 100.0 + 35 * i; },
       {Camera::Tracking}},
      {"nothing",
       [](int) { return std::vector<Detection>{}; },
       [](int) { return std::nullopt; },
       {Camera::Centre},
       -1,
       false,
       true},
  };
  return cases;
}

class Solver : public ::testing::TestWithParam<SolverCase> {};

}  // namespace

TEST_P(Solver, KeepsTheSubjectInViewWithoutJumps) {
  const SolverCase& c = GetParam();
  std::vector<Sample> samples(50);
  for (int i = 0; i < 50; ++i) {
    Sample& s = samples[size_t(i)];
    s.time = i / 5.0;
    s.cut = i == c.cutAt;
    s.cutTime = s.time - 0.1;
    s.globalMotion = c.panning;
    s.detections = c.seen(i);
  }
  SolverSettings settings;
  settings.extent = kExtent;
  settings.window = kWindow;
  const SolvedPath path = SolvePath(samples, settings);
  ASSERT_EQ(path.positions.size(), samples.size());
  EXPECT_EQ(path.cameras, c.cameras);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double p = path.positions[i];
    ASSERT_GE(p, 0) << i;
    ASSERT_LE(p, kExtent - kWindow) << i;
    EXPECT_EQ(path.sceneStart[i], i == 0 || int(i) == c.cutAt) << i;
    if (const auto centre = c.subject(int(i))) {
      EXPECT_GE(*centre, p) << "sample " << i;
      EXPECT_LE(*centre, p + kWindow) << "sample " << i;
    }
    if (i == 0 || path.sceneStart[i]) continue;
    const double step = std::fabs(p - path.positions[i - 1]);
    EXPECT_LE(step, settings.maxSpeed * kWindow / 5 + 1e-9) << "sample " << i;
    if (c.still) EXPECT_EQ(step, 0) << "sample " << i;
  }
  if (c.cameras.front() == Camera::Centre) EXPECT_DOUBLE_EQ(path.positions.front(), (kExtent - kWindow) / 2);
}

INSTANTIATE_TEST_SUITE_P(Tables, Solver, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });
