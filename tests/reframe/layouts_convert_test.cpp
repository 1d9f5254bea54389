// Each layout that replaces the blurred background, through the real converter: the output has
// the canvas size, the colour layout shows its colour, and the follow layout (analysis, sendcmd
// file, conversion) keeps a bright box that moves across a dark clip whole in its frames, where
// a fixed centre crop would lose it, and its preview shows the converted frame. The folder's name holds the
// characters a filter path must escape.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "batch/task_worker.h"
#include "pipeline/follow_prep.h"
#include "pipeline/preview.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "support/media.h"
#include "support/task_helpers.h"
#include "task/command_builder.h"

using namespace task;
namespace ts = testing_support;

namespace {

// 320x180, 3 s at 25 fps: a 40x40 bright box on a dark ground, its left edge at 10 + 90 t (under the
// camera's speed limit of a window a second).
std::string MovingBoxClip(const std::string& folder) {
  plat::MakeDirs(folder);
  const std::string clip = folder + "/box.mp4";
  const int rc = ts::Shell(
      "ffmpeg -v error -y -f lavfi -i color=c=0x101018:s=320x180:r=25:d=3 -f lavfi -i "
      "color=c=0xf0f0f0:s=40x40:r=25:d=3 -filter_complex "
      "\"[0:v][1:v]overlay=x='10+90*t':y=70,format=yuv420p\" -c:v libx264 -preset ultrafast " +
      ts::ShellQuoted(clip));
  EXPECT_EQ(rc, 0);
  return clip;
}

// A grey frame of the output at `seconds`.
std::string GreyFrame(const std::string& video, double seconds) {
  return ts::Capture("ffmpeg -v error -ss " + std::to_string(seconds) + " -i " + ts::ShellQuoted(video) +
                     " -frames:v 1 -f rawvideo -pix_fmt gray -");
}

struct LayoutCase {
  const char* name;
  const char* layout;
};

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

}  // namespace

TEST_P(Layouts, ConvertToTheCanvasSize) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  const std::string folder = ts::TempFolder() + "/lay,out's [" + GetParam().name + "]:x";
  setenv("XDG_CACHE_HOME", (ts::TempFolder() + "/cache").c_str(), 1);
  TaskRecord t = ts::TurnedTask(MovingBoxClip(folder), 320, 180, 3);
  t.layout = *ParseLayout(GetParam().layout);
  t.ticks[kTickMute] = 1;
  const BuildEnvironment env = DiskEnvironment(ts::BuiltInEffects());
  const BuildResult built = BuildCommand(t, BuildMode::Full, env);
  const pipeline::FollowPrep prep = pipeline::PrepareFollow(t, built.outputPath, {}, nullptr);
  ASSERT_TRUE(prep.ok) << prep.error;
  EXPECT_EQ(prep.sendcmdPath.empty(), t.layout.kind != LayoutKind::Follow);
  const std::vector<std::string> words = pipeline::RunWords(t, pipeline::FollowEnvironment(env, prep));
  batch::WorkerTiming timing;
  timing.endOtherConverters = false;
  const batch::WorkerResult run = batch::RunTaskWorker(words, false, {}, {}, timing);
  pipeline::CleanUpFollow(prep);
  EXPECT_FALSE(plat::FileExists(prep.sendcmdPath));
  ASSERT_EQ(run.ending, batch::WorkerEnding::Completed) << built.text << "\n" << run.errorText;
  const std::string output = run.finalOutputPath;
  const ts::ProbeFacts facts = ts::MediaFacts(output);
  EXPECT_EQ(facts.width, 180);
  EXPECT_EQ(facts.height, 320);

  if (t.layout.kind == LayoutKind::Colour) {
    const std::string rgb = ts::Capture("ffmpeg -v error -i " + ts::ShellQuoted(output) +
                                        " -frames:v 1 -vf crop=2:2:0:0 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_GE(rgb.size(), 3u);
    EXPECT_NEAR(static_cast<unsigned char>(rgb[0]), 0x33, 10);
    EXPECT_NEAR(static_cast<unsigned char>(rgb[1]), 0x66, 10);
    EXPECT_NEAR(static_cast<unsigned char>(rgb[2]), 0xCC, 10);
  }
  if (t.layout.kind == LayoutKind::Follow) {
    // The window is 100 px of the clip shown 180 wide: the box is 72 px, whole and off the edges.
    for (double at : {0.3, 1.0, 1.7}) {
      const std::string frame = GreyFrame(output, at);
      ASSERT_EQ(frame.size(), 180u * 320u) << at;
      int bright = 0, left = 180, right = -1;
      for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 180; ++x)
          if (static_cast<unsigned char>(frame[size_t(y) * 180 + size_t(x)]) > 128) {
            ++bright;
            left = std::min(left, x);
            right = std::max(right, x);
          }
      EXPECT_GT(bright, 72 * 72 * 8 / 10) << "at " << at << " s";
      EXPECT_GT(left, 0) << "at " << at << " s";
      EXPECT_LT(right, 179) << "at " << at << " s";
    }
    // The preview of a moment is that frame of the conversion, its camera path taken from
    // the kept analysis through a file of its own that it removes.
    const std::string cut = folder + "/cut.png", previewed = folder + "/preview.png";
    ASSERT_EQ(ts::Shell("ffmpeg -v error -y -ss 1.2 -i " + ts::ShellQuoted(output) + " -frames:v 1 " +
                        ts::ShellQuoted(cut)),
              0);
    const pipeline::PreviewFrame frame = pipeline::RenderPreviewFrame(t, 1.2, ts::BuiltInEffects());
    ASSERT_TRUE(frame.image) << frame.error;
    ASSERT_TRUE(plat::WriteFileAtomically(previewed, frame.image->bytes));
    EXPECT_GE(ts::Ssim(previewed, cut, ts::SsimOf::Brightness), 0.95);
    EXPECT_EQ(ts::Capture("ls " + ts::ShellQuoted(reframe::CacheFolder()) + " | grep -c preview_tmp"), "0\n");
    // A second run takes the kept analysis (the cache file is there) and writes a crop-path
    // file of its own: two runs of one task at once never share one.
    EXPECT_TRUE(plat::FileExists(reframe::CachePath(pipeline::FollowRequest(t))));
    const pipeline::FollowPrep again = pipeline::PrepareFollow(t, built.outputPath, {}, nullptr);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_NE(again.sendcmdPath, prep.sendcmdPath);
    EXPECT_EQ(plat::FolderOf(again.sendcmdPath), plat::FolderOf(built.outputPath));
    pipeline::CleanUpFollow(again);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Layouts,
                         ::testing::Values(LayoutCase{"colour", "colour:3366CC"},
                                           LayoutCase{"crop", "crop:30"}, LayoutCase{"follow", "follow"}),
                         [](const auto& info) { return std::string(info.param.name); });
