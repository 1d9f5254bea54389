// The real converter accepts what the builder writes: tasks over every kind of background,
// animation, sound mix, effect, switch and logo are built in full mode and run through ffmpeg on
// tiny generated media; each must exit with status 0 and give an output of the chosen size.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "probe/converter.h"
#include "support/media.h"
#include "support/task_helpers.h"
#include "task/command_builder.h"

using namespace task;
namespace ts = testing_support;

namespace {

const std::array<std::string, 4> kEffects = ts::BuiltInEffects();

enum class Layout { ToPortrait, ToLandscape };
enum class Background { None, Video, Still, Gif };

struct Case {
  const char* name;
  Layout layout;
  Background background;
  int animationBlur;  // -1: no animation
  std::vector<Tick> ticks;
  int copies = 1;
  const char* format = ".mp4";
  const char* bitrate = nullptr;  // nullptr: automatic
  bool atSuggestedSize = false;   // output size equals the size proposed for the foreground
  bool gifLogo = false;
};

// Test names show the case's name rather than its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string Tail(const std::string& s) { return s.size() > 3000 ? s.substr(s.size() - 3000) : s; }

// A task record as the probes and the window would fill it for these media.
TaskRecord MakeTask(const Case& c, const std::string& folder) {
  TaskRecord t = ts::SmallTurnedTask(c.layout == Layout::ToPortrait, folder);
  if (c.atSuggestedSize) t.outputWidth = t.suggestedWidth, t.outputHeight = t.suggestedHeight;
  t.outputFormat = c.format;
  if (c.bitrate) t.bitrate = c.bitrate, t.ticks[kTickAutoBitrate] = 0;
  t.selectedForegroundCount = c.copies - 1;
  switch (c.background) {
    case Background::None:
      break;
    // Shorter than the output, another frame rate, with sound.
    case Background::Video:
      ts::SetBackground(t, ts::VideoWithSound(256, 144, 1, 30), 5, 256, 144, "30");
      break;
    case Background::Still:
      ts::SetBackground(t, ts::StillPng(160, 120), 1, 160, 120, "");
      break;
    case Background::Gif:
      ts::SetBackground(t, ts::AnimatedGif(160, 90, 1, 10), 4, 160, 90, "10");
      break;
  }
  if (c.animationBlur >= 0) {
    t.animationPath = Quote(ts::AnimatedGif(120, 90, 1, 10));
    t.animationKind = 4, t.animationWidth = 120, t.animationHeight = 90;
    t.animationDuration = "00:00:01.00";
    t.animationFps = "10";
    t.animationBlur = c.animationBlur, t.animationOpacity = 4;
    t.blendModeIndex = c.animationBlur == 0 ? 4 : 19;  // screen, multiply
  }
  t.audioPath = Quote(ts::AudioOnly(1));
  t.audioKind = 2;
  t.audioDuration = "00:00:01.00";
  for (Tick k : c.ticks) t.ticks[k] = 1;
  ApplyAudioRuleTo(t);
  if (c.gifLogo) t.logo = {Quote(ts::AnimatedGif(60, 40, 1, 10)), kKindGif};
  return t;
}

const std::vector<Case>& Matrix() {
  static const std::vector<Case> cases = {
      // Portrait output from a landscape foreground.
      {"portrait_plain_fg_sound", Layout::ToPortrait, Background::None, -1, {kTickForegroundSound}},
      {"portrait_mute_effects_mkv_fixed_rate",
       Layout::ToPortrait,
       Background::None,
       -1,
       {kTickMute, kTickBounceVertical, kTickPsychedelic},
       1,
       ".mkv",
       "300"},
      {"portrait_video_fg_bg_fades",
       Layout::ToPortrait,
       Background::Video,
       -1,
       {kTickForegroundSound, kTickBackgroundSound, kTickAudioFadeIn, kTickAudioFadeOut, kTickVideoFadeIn,
        kTickVideoFadeOut}},
      {"portrait_still_anim_sharp_audio_only",
       Layout::ToPortrait,
       Background::Still,
       0,
       {kTickMusic, kTickDenoise, kTickSoften},
       1,
       ".mkv"},
      {"portrait_gif_anim_blurred_fg_audio",
       Layout::ToPortrait,
       Background::Gif,
       5,
       {kTickForegroundSound, kTickMusic, kTickMirror, kTickDedupFrames, kTickColourShift,
        kTickBounceHorizontal}},
      {"portrait_video_anim_three",
       Layout::ToPortrait,
       Background::Video,
       5,
       {kTickForegroundSound, kTickBackgroundSound, kTickMusic},
       1,
       ".mp4",
       "250"},
      {"portrait_video_bg_audio",
       Layout::ToPortrait,
       Background::Video,
       -1,
       {kTickBackgroundSound, kTickMusic}},
      {"portrait_video_bg_only_fade_in",
       Layout::ToPortrait,
       Background::Video,
       -1,
       {kTickBackgroundSound, kTickAudioFadeIn}},
      {"portrait_at_suggested_size_mirror",
       Layout::ToPortrait,
       Background::None,
       -1,
       {kTickForegroundSound, kTickMirror},
       1,
       ".mp4",
       nullptr,
       true},
      // Landscape output from a portrait foreground, one to four copies.
      {"landscape_one_copy", Layout::ToLandscape, Background::None, -1, {kTickForegroundSound}, 1},
      {"landscape_video_three_two_copies_mirror",
       Layout::ToLandscape,
       Background::Video,
       -1,
       {kTickForegroundSound, kTickBackgroundSound, kTickMusic, kTickMirror},
       2},
      {"landscape_still_anim_effects_three_copies",
       Layout::ToLandscape,
       Background::Still,
       0,
       {kTickMute, kTickBounceVertical, kTickBounceHorizontal, kTickColourShift, kTickPsychedelic},
       3,
       ".mkv",
       "400"},
      {"landscape_gif_anim_audio_only_four_copies",
       Layout::ToLandscape,
       Background::Gif,
       5,
       {kTickMusic, kTickAudioFadeIn, kTickAudioFadeOut, kTickVideoFadeIn, kTickDenoise, kTickSoften},
       4},
      {"landscape_video_anim_bg_audio_dedup",
       Layout::ToLandscape,
       Background::Video,
       0,
       {kTickBackgroundSound, kTickMusic, kTickMirror, kTickDedupFrames},
       3,
       ".mkv"},
      {"landscape_video_bg_only",
       Layout::ToLandscape,
       Background::Video,
       -1,
       {kTickBackgroundSound, kTickBounceHorizontal, kTickVideoFadeOut},
       2},
      {"landscape_anim_fg_audio_soften",
       Layout::ToLandscape,
       Background::None,
       5,
       {kTickForegroundSound, kTickMusic, kTickSoften, kTickMirror, kTickAudioFadeOut},
       4},
      {"landscape_six_copies_wider_than_the_output",
       Layout::ToLandscape,
       Background::Still,
       -1,
       {kTickMute},
       6},
      // A logo after every other input: the GIF loops, the output ends with the canvas.
      {"portrait_video_anim_three_gif_logo",
       Layout::ToPortrait,
       Background::Video,
       5,
       {kTickForegroundSound, kTickBackgroundSound, kTickMusic, kTickVideoFadeOut},
       1,
       ".mp4",
       nullptr,
       false,
       true},
      {"landscape_at_suggested_size_two_copies",
       Layout::ToLandscape,
       Background::None,
       -1,
       {kTickForegroundSound, kTickMirror},
       2,
       ".mp4",
       nullptr,
       true},
  };
  return cases;
}

class ConverterAccepts : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(ConverterAccepts, FullCommandRunsToTheEndWithTheChosenSize) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  const Case& c = GetParam();
  const std::string folder = ts::TempFolder() + "/accepts/" + c.name;
  TaskRecord t = MakeTask(c, folder);
  const BuildResult built = BuildCommand(t, BuildMode::Full, DiskEnvironment(kEffects));
  ASSERT_TRUE(plat::IsDirectory(folder + "/result")) << "the output folder is made by the build";

  const ts::ConverterRun run = ts::RunConverter(built.text, false, 120000);
  ASSERT_TRUE(run.exited) << "still running after two minutes:\n" << built.text;
  ASSERT_EQ(run.status, 0) << built.text << "\n" << Tail(run.output);

  const ts::ProbeFacts facts = ts::MediaFacts(built.outputPath);
  EXPECT_EQ(facts.width, t.outputWidth) << built.text;
  EXPECT_EQ(facts.height, t.outputHeight) << built.text;
  EXPECT_EQ(facts.hasAudio, !t.ticked(kTickMute)) << built.text;
  EXPECT_GT(facts.duration, 1.5) << built.text;
  EXPECT_LT(facts.duration, 2.6) << built.text;
}

INSTANTIATE_TEST_SUITE_P(Matrix, ConverterAccepts, ::testing::ValuesIn(Matrix()),
                         [](const auto& info) { return std::string(info.param.name); });

// The trial command converts one millisecond; on this converter a looped background with a
// frame-rate normaliser and mixed sound may keep printing its first progress line, so the
// trial is accepted at that line, as the trial run does.
TEST(ConverterAcceptsTrial, TrialCommandsReachTheirFirstProgressLine) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  const std::set<std::string> names = {"portrait_video_anim_three",
                                       "landscape_gif_anim_audio_only_four_copies",
                                       "landscape_still_anim_effects_three_copies"};
  for (const Case& c : Matrix()) {
    if (!names.count(c.name)) continue;
    TaskRecord t = MakeTask(c, ts::TempFolder() + "/trial/" + c.name);
    const BuildResult built = BuildCommand(t, BuildMode::Trial, DiskEnvironment(kEffects));
    const ts::ConverterRun run = ts::RunConverter(built.text, true, 60000);
    EXPECT_TRUE(run.sawProgress || (run.exited && run.status == 0)) << built.text << "\n" << Tail(run.output);
    if (run.exited) EXPECT_EQ(run.status, 0) << built.text << "\n" << Tail(run.output);
    plat::DeleteFile(built.outputPath);
  }
}

// Paths with blanks, brackets and Chinese characters stay one word each, and a task whose
// ticked audio file has vanished is refused by the converter without writing anything.
TEST(ConverterAcceptsPaths, UnusualPathsAndAVanishedAudioFile) {
  ASSERT_FALSE(probe::ConverterPath().empty()) << "no ffmpeg";
  Case c{"paths", Layout::ToPortrait, Background::Still, 0, {kTickForegroundSound, kTickMusic}};
  const std::string folder = ts::TempFolder() + "/带 空格 (1)/片段 a";
  TaskRecord t = MakeTask(c, folder);
  const std::string renamed = folder + "/旅行 trip.v1.mp4";
  ASSERT_TRUE(plat::RenameFile(Unquote(t.foregroundPath), renamed));
  t.foregroundPath = Quote(renamed);
  t.backgroundPath = Quote(ts::CopyInto(ts::StillPng(160, 120), folder + "/图 片"));
  t.audioPath = Quote(ts::CopyInto(ts::AudioOnly(1), folder + "/音 乐"));

  TaskRecord full = t;
  const BuildResult built = BuildCommand(full, BuildMode::Full, DiskEnvironment(kEffects));
  EXPECT_EQ(built.outputPath, folder + "/result/旅行 trip.v1_tmp.mp4");
  const ts::ConverterRun run = ts::RunConverter(built.text, false, 120000);
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(run.status, 0) << built.text << "\n" << Tail(run.output);
  const ts::ProbeFacts facts = ts::MediaFacts(built.outputPath);
  EXPECT_EQ(facts.width, t.outputWidth);
  EXPECT_EQ(facts.height, t.outputHeight);
  EXPECT_TRUE(facts.hasAudio);

  const int64_t sourceSize = plat::FileSize(renamed);
  TaskRecord vanished = t;
  vanished.audioPath.clear();  // the window reads a missing audio file as none
  const BuildResult refused = BuildCommand(vanished, BuildMode::Full, DiskEnvironment(kEffects));
  EXPECT_EQ(refused.outputPath, folder + "/result/旅行 trip.v1_tmp_1.mp4");
  const ts::ConverterRun no = ts::RunConverter(refused.text, false, 60000);
  ASSERT_TRUE(no.exited);
  EXPECT_NE(no.status, 0) << refused.text;
  EXPECT_FALSE(plat::FileExists(refused.outputPath));
  EXPECT_EQ(plat::FileSize(renamed), sourceSize);
}
