// The fast background through the real converter: every kind of background (a copy of the
// foreground, a video, a still picture, a GIF), with and without the animation blend and the
// effects, both layouts and one to four copies. Each command must run to its end and give the
// chosen size. How close it looks to the classic graph is measured by bench/background_bench.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "probe/converter.h"
#include "support/media.h"
#include "support/task_helpers.h"
#include "task/command_builder.h"

using namespace task;
namespace ts = testing_support;

namespace {

enum class Background { Copy, Video, Still, Gif };

struct FastCase {
  const char* name;
  bool toPortrait;
  Background background;
  bool animation;
  int blur;  // slider position 0..10
  std::vector<Tick> ticks;
  int copies = 1;
};

void PrintTo(const FastCase& c, std::ostream* os) { *os << c.name; }

TaskRecord MakeTask(const FastCase& c, const std::string& folder) {
  TaskRecord t = ts::SmallTurnedTask(c.toPortrait, folder);
  t.fastBackground = true;
  t.backgroundBlur = c.blur;
  t.selectedForegroundCount = c.copies - 1;
  if (c.background == Background::Video)
    ts::SetBackground(t, ts::VideoWithSound(256, 144, 1, 30), 5, 256, 144, "30");
  if (c.background == Background::Still) ts::SetBackground(t, ts::StillPng(160, 120), 1, 160, 120, "");
  if (c.background == Background::Gif)
    ts::SetBackground(t, ts::AnimatedGif(160, 90, 1, 10), 4, 160, 90, "10");
  if (c.animation) {
    t.animationPath = Quote(ts::AnimatedGif(120, 90, 1, 10));
    t.animationKind = 4, t.animationWidth = 120, t.animationHeight = 90;
    t.animationDuration = "00:00:01.00";
    t.animationFps = "10";
    t.blendModeIndex = 4;  // screen
  }
  t.audioPath = Quote(ts::AudioOnly(1));
  t.audioKind = 2;
  t.audioDuration = "00:00:01.00";
  for (Tick k : c.ticks) t.ticks[k] = 1;
  ApplyAudioRuleTo(t);
  return t;
}

const std::vector<FastCase> kCases = {
    {"portrait_copy", true, Background::Copy, false, 5, {kTickForegroundSound}},
    {"portrait_copy_strongest_blur_effects_fades",
     true,
     Background::Copy,
     false,
     10,
     {kTickMute, kTickBounceVertical, kTickBounceHorizontal, kTickPsychedelic, kTickVideoFadeIn}},
    {"portrait_video_anim_fg_bg_sound",
     true,
     Background::Video,
     true,
     5,
     {kTickForegroundSound, kTickBackgroundSound}},
    {"portrait_still_no_blur_music", true, Background::Still, false, 0, {kTickMusic, kTickColourShift}},
    {"portrait_gif_anim_denoise_mirror",
     true,
     Background::Gif,
     true,
     7,
     {kTickForegroundSound, kTickDenoise, kTickMirror}},
    {"landscape_copy_one", false, Background::Copy, false, 5, {kTickForegroundSound}, 1},
    {"landscape_copy_anim_three_mirror",
     false,
     Background::Copy,
     true,
     5,
     {kTickForegroundSound, kTickMirror, kTickBounceVertical},
     3},
    {"landscape_video_two_three_sounds",
     false,
     Background::Video,
     false,
     3,
     {kTickForegroundSound, kTickBackgroundSound, kTickMusic},
     2},
    {"landscape_still_anim_effects_four",
     false,
     Background::Still,
     true,
     10,
     {kTickMute, kTickPsychedelic, kTickColourShift, kTickBounceHorizontal},
     4},
    {"landscape_gif_dedup_fade_out",
     false,
     Background::Gif,
     false,
     5,
     {kTickBackgroundSound, kTickDedupFrames, kTickVideoFadeOut},
     3},
};

class FastBackground : public ::testing::TestWithParam<FastCase> {};

}  // namespace

TEST_P(FastBackground, RunsToTheEndWithTheChosenSize) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  const FastCase& c = GetParam();
  TaskRecord t = MakeTask(c, ts::TempFolder() + "/fast/" + c.name);
  const BuildResult built = BuildCommand(t, BuildMode::Full, DiskEnvironment(ts::BuiltInEffects()));
  const ts::ConverterRun run = ts::RunConverter(built.text, false, 120000);
  ASSERT_TRUE(run.exited) << "still running after two minutes:\n" << built.text;
  ASSERT_EQ(run.status, 0) << built.text << "\n"
                           << run.output.substr(run.output.size() > 3000 ? run.output.size() - 3000 : 0);
  const ts::ProbeFacts facts = ts::MediaFacts(built.outputPath);
  EXPECT_EQ(facts.width, t.outputWidth) << built.text;
  EXPECT_EQ(facts.height, t.outputHeight) << built.text;
  EXPECT_EQ(facts.hasAudio, !t.ticked(kTickMute)) << built.text;
  EXPECT_GT(facts.duration, 1.5) << built.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, FastBackground, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A copied background is split off the foreground's decoding; the blur radius at half size is
// the slider position, and the crop keeps the part the classic centre cut shows.
TEST(FastBackgroundText, CopySplitsTheForegroundAndBlursAtTheSliderPosition) {
  TaskRecord t = ts::TurnedTask("/nonexistent/flipframe/trip.mp4", 1920, 1080, 60);
  t.outputWidth = 1080, t.outputHeight = 1920;
  t.ticks[kTickForegroundSound] = 1;
  BuildEnvironment env{{}, [](const std::string&) { return false; }, nullptr};
  TaskRecord classic = t;
  EXPECT_TRUE(ts::Lacks(BuildCommand(classic, BuildMode::Full, env).text, "split[fg]"));
  t.fastBackground = true;
  const std::string text = BuildCommand(t, BuildMode::Full, env).text;
  EXPECT_TRUE(
      ts::Has(text, "-filter_complex \"[0:v]split[fg][bg];[bg]crop=iw*1080/(2*3413):ih*1920/(2*1920),"));
  EXPECT_TRUE(ts::Has(text,
                      "boxblur='min(5,min(cw,ch)/2)',scale=1080:1920,setsar=1,crop=1080:1920[g1];"
                      "[fg]scale=1080:-1[v];[g1][v]overlay=0:(H-h)/2\""));
  EXPECT_TRUE(ts::Lacks(text, "[1:v]"));
}
