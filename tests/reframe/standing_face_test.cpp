// A follow task through the batch runner, on a face that stands still right of the middle over
// a real clip's picture: nothing moves there, so only the face can place the crop. The crop
// stands on the face for the whole clip, where the middle crop would cut it off, and the run's
// crop-path file is gone afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pipeline/batch_runner.h"
#include "pipeline/follow_prep.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "reframe/crop_command.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

TEST(StandingFace, TheCropStandsOnTheFace) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  const std::string images = "usr/lib/python3/dist-packages/imageio/resources/images/";
  const std::string wall = ts::RealClip("python3-imageio", images + "cockatoo.mp4");
  const std::string photo = ts::RealClip("python3-imageio", images + "astronaut.png");
  const std::string folder = ts::TempFolder() + "/standing";
  plat::MakeDirs(folder);
  setenv("XDG_CACHE_HOME", (ts::TempFolder() + "/cache").c_str(), 1);
  // 480x270, 3 s: a still of the bird's room, the astronaut's head and shoulders (her face
  // about 95 px wide, its centre at x 351) standing right of the middle.
  const std::string clip = folder + "/face.mp4";
  ASSERT_EQ(
      ts::Shell("ffmpeg -v error -y -ss 1 -i '" + wall + "' -loop 1 -i '" + photo +
                "' -filter_complex \"[0:v]scale=480:270,trim=end_frame=1,loop=74:1,setpts=N/25/TB[w];"
                "[1:v]crop=256:256:96:0,scale=240:240[p];[w][p]overlay=230:30:shortest=1,format=yuv420p\" "
                "-r 25 -c:v libx264 -preset ultrafast '" +
                clip + "'"),
      0);
  task::TaskRecord t = ts::TurnedTask(clip, 480, 270, 3);
  t.layout.kind = task::LayoutKind::Follow;
  t.outputDuration = "00:00:03";
  t.encoderPreset = "ultrafast";

  pipeline::BatchHooks h;
  h.size = [] { return 1; };
  h.turn = [&](int) { return pipeline::BatchTurn{false, t}; };
  h.effectFilters = [] { return ts::BuiltInEffects(); };
  std::string finalOutput;
  h.ended = [&](int, pipeline::TurnEnding, const batch::WorkerResult& r) { finalOutput = r.finalOutputPath; };
  pipeline::BatchTiming timing;
  timing.worker.endOtherConverters = false;
  pipeline::BatchRunner runner(std::move(h), timing);
  EXPECT_EQ(runner.Run().finished, 1);
  EXPECT_EQ(ts::MediaFacts(finalOutput).height, 480);
  EXPECT_EQ(ts::Capture("ls '" + folder + "/result' | grep -c follow"), "0\n");

  std::string sendcmd;
  ASSERT_TRUE(plat::ReadFile(reframe::CachePath(pipeline::FollowRequest(t)), &sendcmd));
  const reframe::CropWindow window = reframe::WindowFor(480, 270, t.outputWidth, t.outputHeight);
  // One place for the whole clip, and no blurred look.
  EXPECT_EQ(std::count(sendcmd.begin(), sendcmd.end(), ';'), 1) << sendcmd;
  EXPECT_EQ(sendcmd.find(reframe::kMixTarget), std::string::npos);
  const size_t at = sendcmd.find("crop@follow x ");
  ASSERT_NE(at, std::string::npos) << sendcmd;
  const int x = std::atoi(sendcmd.c_str() + at + 14);
  EXPECT_LE(x, 351 - 30);
  EXPECT_GE(x + window.width, 351 + 30);
  EXPECT_GT(351, window.travel / 2 + window.width) << "the middle crop would show the face";
}
