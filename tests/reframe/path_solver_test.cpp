// The camera on tables of detections: a still subject, a moving one, a pause with detector
// jitter, a cut, two subjects far apart and nothing at all. Every subject that fits must be
// inside the window at every sample, and the cameras must be the ones the scenes call for.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "reframe/path_solver.h"

using namespace reframe;

namespace {

constexpr double kExtent = 1920, kWindow = 608;

// 50 samples at 5 a second; `at(i)` gives sample i's detections.
std::vector<Sample> Table(const std::function<std::vector<Detection>(int)>& at, int cutAt = -1) {
  std::vector<Sample> s(50);
  for (int i = 0; i < 50; ++i) s[size_t(i)] = {i / 5.0, i == cutAt, at(i)};
  return s;
}

Detection Box(double left, double width = 120, double weight = 1) { return {left, left + width, weight}; }

struct SolverCase {
  const char* name;
  std::vector<Sample> samples;
  std::vector<Camera> cameras;
  double maxStepWhileStill;  // largest move between samples from sample 33 on; <0: unchecked
};

void PrintTo(const SolverCase& c, std::ostream* os) { *os << c.name; }

const std::vector<SolverCase>& Cases() {
  static const std::vector<SolverCase> cases = {
      {"still", Table([](int) { return std::vector{Box(1500)}; }), {Camera::Stationary}, 0},
      {"moving", Table([](int i) { return std::vector{Box(40 + 35 * i)}; }), {Camera::Tracking}, -1},
      // Walks to the right, then stands with a few pixels of detector jitter and a weaker
      // contrast detection elsewhere that must not pull the camera.
      {"pause_with_jitter",
       Table([](int i) {
         const double x = i < 30 ? 40 + 50 * i : 1490 + (i % 3) * 3;
         return std::vector{Box(x), Box(100, 60, 0.4)};
       }),
       {Camera::Tracking},
       0},
      {"cut",
       Table([](int i) { return std::vector{Box(i < 20 ? 150 : 1600)}; }, 20),
       {Camera::Stationary, Camera::Stationary},
       0},
      // The subject jumps across without a histogram cut: a new scene all the same.
      {"jump_without_cut",
       Table([](int i) { return std::vector{Box(i < 25 ? 150 : 1600)}; }),
       {Camera::Stationary, Camera::Stationary},
       0},
      {"two_far_apart",
       Table([](int) {
         return std::vector{Box(100), Box(1650)};
       }),
       {Camera::Fallback},
       0},
      {"nothing", Table([](int) { return std::vector<Detection>{}; }), {Camera::Centre}, 0},
      // Nothing stands out for a while after the cut: the new scene keeps the old place.
      {"nothing_after_cut",
       Table([](int i) { return i < 20 ? std::vector{Box(1600)} : std::vector<Detection>{}; }, 20),
       {Camera::Stationary, Camera::Centre},
       0},
  };
  return cases;
}

class Solver : public ::testing::TestWithParam<SolverCase> {};

}  // namespace

TEST_P(Solver, KeepsTheSubjectInViewWithTheRightCamera) {
  const SolverCase& c = GetParam();
  SolverSettings settings;
  settings.extent = kExtent;
  settings.window = kWindow;
  const SolvedPath path = SolvePath(c.samples, settings);
  ASSERT_EQ(path.positions.size(), c.samples.size());
  EXPECT_EQ(path.cameras, c.cameras);
  for (size_t i = 0; i < c.samples.size(); ++i) {
    const double p = path.positions[i];
    ASSERT_GE(p, 0) << i;
    ASSERT_LE(p, kExtent - kWindow) << i;
    if (path.fallback[i]) continue;
    for (const Detection& d : c.samples[i].detections) {
      if (d.weight < 1) continue;  // only the strongest must be in view
      EXPECT_GE(d.lo, p) << "sample " << i;
      EXPECT_LE(d.hi, p + kWindow) << "sample " << i;
    }
  }
  if (c.maxStepWhileStill >= 0)
    for (size_t i = 33; i < c.samples.size(); ++i)  // the pause below begins at 30
      EXPECT_LE(std::fabs(path.positions[i] - path.positions[i - 1]), c.maxStepWhileStill) << "sample " << i;
}

TEST(Solver, NothingFoundAtAllIsTheCentreAndACutIsASceneStart) {
  SolverSettings settings;
  settings.extent = kExtent;
  settings.window = kWindow;
  const SolvedPath none = SolvePath(Table([](int) { return std::vector<Detection>{}; }), settings);
  EXPECT_DOUBLE_EQ(none.positions.front(), (kExtent - kWindow) / 2);
  const SolvedPath cut =
      SolvePath(Table([](int i) { return std::vector{Box(i < 20 ? 150 : 1600)}; }, 20), settings);
  EXPECT_TRUE(cut.sceneStart[20]);
  EXPECT_FALSE(cut.sceneStart[19]);
}

INSTANTIATE_TEST_SUITE_P(Tables, Solver, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });
