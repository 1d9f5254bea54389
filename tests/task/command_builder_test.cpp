// The command builder as a pure function: worked examples byte for byte and the edge cases
// that the converter itself would not point out.
#include "task/command_builder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace task;

namespace {

const std::array<std::string, 4> kEffects = {
    "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/10):(in_h-out_h)/1.2+((in_h-out_h)/1.2)*sin(n/7)'",
    "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/5):(in_h-out_h)/1.2+((in_h-out_h)/1.2)*sin(n/14)'",
    "hue='H=2*PI*t:s=sin(2*PI*t)+1'",
    "geq=r='X/W*r(X,Y)':g='(1-X/W)*g(X,Y)':b='(H-Y)/H*b(X,Y)'"};

// A file system of named files; records the folders the builder asks for.
struct FakeDisk {
  std::set<std::string> files;
  std::vector<std::string> madeFolders;
  BuildEnvironment Env() {
    return {kEffects, [this](const std::string& p) { return files.count(p) > 0; },
            [this](const std::string& p) {
              madeFolders.push_back(p);
              return true;
            }};
  }
};

void TickOn(TaskRecord& t, std::initializer_list<task::Tick> on) {
  for (task::Tick k : on) t.ticks[k] = 1;
}

// Example 1: landscape 1920x1080, 30 fps, 60 s /clips/trip.mp4 to portrait 1080x1920, no
// background, blur 5, only the foreground's sound, 00:01:00, .mp4, automatic bitrate.
TaskRecord Example1() {
  TaskRecord t;
  t.foregroundPath = t.backgroundPath = "\"/clips/trip.mp4\"";
  t.foregroundKind = 5;
  t.foregroundWidth = 1920;
  t.foregroundHeight = 1080;
  t.suggestedWidth = 1920;
  t.suggestedHeight = 3412;
  t.outputWidth = 1080;
  t.outputHeight = 1920;
  t.foregroundDuration = t.backgroundDuration = "00:01:00.00";
  t.outputDuration = "00:01:00";
  t.foregroundExtension = t.outputFormat = ".mp4";
  t.foregroundFps = "30";
  t.foregroundBitrate = t.bitrate = "4000";
  t.ratioIndex = 7;
  t.selectedForegroundCount = -1;
  t.backgroundBlur = 5;
  TickOn(t, {kTickAutoBitrate, kTickForegroundSound});
  return t;
}

TaskRecord Example2() {
  TaskRecord t = Example1();
  t.animationPath = "\"/fx/snow.gif\"";
  t.animationKind = 4;
  t.animationWidth = 480;
  t.animationHeight = 270;
  t.animationDuration = "00:00:03.00";
  t.animationFps = "15";
  t.animationBlur = 0;
  t.animationOpacity = 4;
  t.blendModeIndex = 4;  // screen
  t.audioPath = "\"/bgm/song.mp3\"";
  t.audioKind = 2;
  t.audioDuration = "00:03:20.00";
  TickOn(t, {kTickMusic, kTickAudioFadeIn, kTickAudioFadeOut, kTickVideoFadeIn, kTickVideoFadeOut});
  t.ticks[kTickAutoBitrate] = 0;
  t.bitrate = "3000";
  return t;
}

// Example 3: portrait 1080x1920 /p/v.mp4 (30 s, 30 fps) to landscape 1920x1080 with the
// background video /p/city.mp4 (1280x720, 25 fps, 12 s, with sound), only its sound, no blur,
// vertical bounce, three mirrored copies.
TaskRecord Example3() {
  TaskRecord t;
  t.foregroundPath = "\"/p/v.mp4\"";
  t.backgroundPath = "\"/p/city.mp4\"";
  t.foregroundKind = 3;
  t.backgroundKind = 5;
  t.foregroundWidth = 1080;
  t.foregroundHeight = 1920;
  t.suggestedWidth = 3412;
  t.suggestedHeight = 1920;
  t.backgroundWidth = 1280;
  t.backgroundHeight = 720;
  t.outputWidth = 1920;
  t.outputHeight = 1080;
  t.foregroundDuration = "00:00:30.00";
  t.backgroundDuration = "00:00:12.00";
  t.outputDuration = "00:00:30";
  t.foregroundExtension = t.outputFormat = ".mp4";
  t.foregroundFps = "30";
  t.backgroundFps = "25";
  t.ratioIndex = 0;
  t.selectedForegroundCount = 2;
  t.backgroundBlur = 0;
  TickOn(t, {kTickAutoBitrate, kTickBackgroundSound, kTickBounceVertical, kTickMirror});
  return t;
}

const std::string kExample1 =
    "-i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to 00:01:00 -filter_complex "
    "\"[1:v]boxblur=10,scale=3413*2:1920*2,crop=1080:1920[g1];[0:v]scale=1080:-1[v];[g1][v]overlay=0:(H-h)/2\" "
    "-c:a copy -y \"/clips/result/trip_tmp.mp4\"";

const std::string kExample2 =
    " -i \"/bgm/song.mp3\" -i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -stream_loop -1 -i \"/fx/snow.gif\" -to "
    "00:01:00 -filter_complex \"amix=inputs=2,afade=in:st=0:d=2,afade=out:st=58:d=2;[2:v]boxblur=10,scale=3413*2:"
    "1920*2,crop=1080:1920[a];[1:v]scale=1080:-1[v];[3:v]fps=30,scale=1080:1920,crop=1080:1920[b];[a][b]blend=all_"
    "mode='screen':all_opacity=0.45[g1];[g1][v]overlay=0:(H-h)/2\",fade=in:st=0:d=2,fade=out:st=58:d=2 -b:v 3000k "
    "-y \"/clips/result/trip_tmp.mp4\"";

// The loop option of a shorter background video precedes the first input with its blank,
// as the audio loop does in example 2.
const std::string kExample3 =
    " -stream_loop -1 -i \"/p/city.mp4\" -i \"/p/v.mp4\" -to 00:00:30 -filter_complex \"amix=inputs=1;[0:v]fps=30,"
    "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/10):(in_h-out_h)/1.2+((in_h-out_h)/1.2)*sin(n/7)"
    "',scale=1920*2:1080*2,crop=1920:1080[g1];[1:v]scale=-1:1080,hflip[v];[v]split[a1][b];[b]hflip[b1];[a1]split[c1]"
    "[a2];[g1][c1]overlay=(W-w*3+3)/2+w*0-0:0[g2];[g2][b1]overlay=(W-w*3+3)/2+w*1-1:0[g3];[g3][a2]overlay=(W-w*3+3)/"
    "2+w*2-2:0\" -y \"/p/result/v_tmp.mp4\"";

std::string TrialOf(const std::string& full, const std::string& duration) {
  std::string t = full;
  const std::string clause = " -to " + duration;
  const size_t at = t.find(clause);
  EXPECT_NE(at, std::string::npos);
  if (at != std::string::npos) t.replace(at, clause.size(), " -to 00:00:00.001 ");
  return t;
}

std::string Build(TaskRecord t, FakeDisk& disk, BuildMode mode = BuildMode::Full) {
  return BuildCommand(t, mode, disk.Env()).text;
}

std::string GraphOf(const std::string& command) {
  const size_t open = command.find("-filter_complex \"");
  if (open == std::string::npos) return {};
  const size_t start = open + 17;
  return command.substr(start, command.find('"', start) - start);
}

}  // namespace

TEST(BuildCommand, WorkedExamplesByteForByteInFullAndTrialMode) {
  struct Row {
    const char* name;
    TaskRecord task;
    std::set<std::string> files;
    std::string want;
  } rows[] = {
      {"example 1", Example1(), {"/clips/trip.mp4"}, kExample1},
      {"example 2", Example2(), {"/clips/trip.mp4", "/fx/snow.gif", "/bgm/song.mp3"}, kExample2},
      {"example 3", Example3(), {"/p/v.mp4", "/p/city.mp4"}, kExample3},
  };
  for (auto& r : rows) {
    FakeDisk disk{r.files, {}};
    EXPECT_EQ(Build(r.task, disk), r.want) << r.name;
    EXPECT_EQ(Build(r.task, disk, BuildMode::Trial), TrialOf(r.want, r.task.outputDuration)) << r.name;
    ASSERT_FALSE(disk.madeFolders.empty());
    EXPECT_EQ(disk.madeFolders.back(), r.name == std::string("example 3") ? "/p/result" : "/clips/result");
  }
}

TEST(BuildCommand, AbsentBackgroundBecomesTheForegroundAndSilencesItsSound) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example3();
  t.foregroundPath = "\"/clips/trip.mp4\"";
  t.backgroundPath = "\"/gone/city.mp4\"";  // no longer on disk
  const BuildResult r = BuildCommand(t, BuildMode::Full, disk.Env());
  EXPECT_TRUE(r.backgroundReplaced);
  EXPECT_TRUE(r.audioRuleChanged);
  EXPECT_EQ(t.backgroundPath, t.foregroundPath);
  EXPECT_EQ(t.backgroundWidth, 1080);
  EXPECT_EQ(t.backgroundHeight, 1920);
  EXPECT_FALSE(t.ticked(kTickBackgroundSound));
  EXPECT_TRUE(t.ticked(kTickMute));  // no sound source is left
  EXPECT_EQ(t.disabled[kOffAudioFadeIn], 1);
  // Never looped, though it was shorter; sized from the foreground (n = 1920*1920/1080 = 3413).
  EXPECT_EQ(r.text.rfind("-i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to 00:00:30 -filter_complex \"[1:v]", 0),
            0u)
      << r.text;
  EXPECT_NE(r.text.find("scale=1920*2:3413*2,"), std::string::npos) << r.text;
  EXPECT_NE(r.text.find(" -an -y "), std::string::npos) << r.text;
}

TEST(BuildCommand, BackgroundOfAStillPictureLoopsForTheOutputLengthWhenLeftBehind) {
  // A still picture that has vanished from disk must not give its loop option to the
  // foreground copy that replaces it (the converter refuses -loop on a video file).
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example1();
  t.backgroundPath = "\"/pics/sky.png\"";
  t.backgroundKind = 1;
  t.backgroundDuration = "00:00:00.04";
  EXPECT_EQ(Build(t, disk).find("-loop"), std::string::npos);

  disk.files.insert("/pics/sky.png");
  const std::string cmd = Build(t, disk);
  EXPECT_NE(cmd.find(" -loop 1 -t 00:01:00 -i \"/pics/sky.png\""), std::string::npos) << cmd;
  EXPECT_EQ(cmd.find("-stream_loop"), std::string::npos) << cmd;
}

TEST(BuildCommand, GraphStartsForAudioFadesAndMute) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord fade = Example1();
  TickOn(fade, {kTickAudioFadeIn});
  EXPECT_EQ(GraphOf(Build(fade, disk)).rfind("afade=in:st=0:d=2;[1:v]boxblur=10,", 0), 0u);

  TaskRecord both = Example1();
  TickOn(both, {kTickAudioFadeIn, kTickAudioFadeOut});
  both.outputDuration = "00:00:05";
  EXPECT_EQ(GraphOf(Build(both, disk)).rfind("afade=in:st=0:d=2,afade=out:st=3:d=2;[1:v]", 0), 0u);

  TaskRecord mute = Example1();
  mute.ticks[kTickForegroundSound] = 0;
  mute.ticks[kTickMute] = 1;
  const std::string cmd = Build(mute, disk);
  EXPECT_EQ(GraphOf(cmd).rfind("[1:v]boxblur=10,", 0), 0u) << cmd;
  EXPECT_NE(cmd.find("overlay=0:(H-h)/2\" -an -y"), std::string::npos) << cmd;
}

TEST(BuildCommand, SevenAudioCasesOrderTheInputsSoMixedSoundComesFirst) {
  struct Row {
    std::initializer_list<task::Tick> ticks;
    const char* start;
    const char* labels;  // background, foreground chain input, animation
  } rows[] = {
      {{kTickMute}, "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"[1:v]", "[0:v]scale"},
      {{kTickForegroundSound}, "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"[1:v]",
       "[0:v]scale"},
      {{kTickForegroundSound, kTickBackgroundSound, kTickMusic},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/m.m4a\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=3;[1:v]",
       "[0:v]scale"},
      {{kTickForegroundSound, kTickBackgroundSound},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=2;[1:v]", "[0:v]scale"},
      {{kTickBackgroundSound, kTickMusic},
       " -i \"/m.m4a\" -i \"/b.mp4\" -i \"/f.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=2;[1:v]",
       "[2:v]scale"},
      {{kTickForegroundSound, kTickMusic},
       " -i \"/m.m4a\" -i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=2;[2:v]",
       "[1:v]scale"},
      {{kTickBackgroundSound},
       " -i \"/b.mp4\" -i \"/f.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=1;[0:v]", "[1:v]scale"},
      {{kTickMusic},
       " -i \"/m.m4a\" -i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=1;[2:v]",
       "[1:v]scale"},
  };
  const char* const animationLabel[] = {"[2:v]", "[2:v]", "[3:v]", "[2:v]", "[3:v]", "[3:v]", "[2:v]", "[3:v]"};
  FakeDisk disk{{"/f.mp4", "/b.mp4", "/a.gif", "/m.m4a"}, {}};
  int i = 0;
  for (const auto& r : rows) {
    TaskRecord t = Example3();
    t.foregroundPath = "\"/f.mp4\"";
    t.backgroundPath = "\"/b.mp4\"";
    t.audioPath = "\"/m.m4a\"";
    t.animationPath = "\"/a.gif\"";
    t.backgroundDuration = t.animationDuration = t.audioDuration = "00:01:00.00";
    t.animationFps = "30";
    t.animationBlur = 0;
    t.ticks = {};
    TickOn(t, r.ticks);
    TickOn(t, {kTickAutoBitrate});
    const std::string cmd = Build(t, disk);
    EXPECT_EQ(cmd.rfind(r.start, 0), 0u) << cmd;
    EXPECT_NE(cmd.find(std::string(";") + r.labels + "=-1:1080"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find(std::string(animationLabel[i]) + "scale=1920:1080,crop=1920:1080[b]"), std::string::npos)
        << cmd;
    ++i;
  }
}

TEST(BuildCommand, LoopsForShortSources) {
  FakeDisk disk{{"/f.mp4", "/m.m4a"}, {}};
  TaskRecord t = Example3();
  t.foregroundPath = "\"/f.mp4\"";
  t.backgroundPath = t.foregroundPath;
  t.audioPath = "\"/m.m4a\"";
  t.audioDuration = "00:00:10.00";
  t.ticks = {};
  TickOn(t, {kTickMusic, kTickAutoBitrate});
  EXPECT_EQ(Build(t, disk).rfind(" -stream_loop -1 -i \"/m.m4a\" -i \"/f.mp4\" -i \"/f.mp4\" -to", 0), 0u);
  t.audioDuration = "00:00:30.00";  // as long as the output: played once
  EXPECT_EQ(Build(t, disk).rfind(" -i \"/m.m4a\" -i \"/f.mp4\"", 0), 0u);
}

TEST(BuildCommand, FrameRateNormalisersCompareTheTextsAsTheyAre) {
  struct Row {
    const char *fg, *bg;
    bool normalised;
  } rows[] = {{"29.97", "30", true}, {"25", "25.00", true}, {"30", "30", false}, {"30", "", false}};
  FakeDisk disk{{"/p/v.mp4", "/p/city.mp4"}, {}};
  for (const auto& r : rows) {
    TaskRecord t = Example3();
    t.foregroundFps = r.fg;
    t.backgroundFps = r.bg;
    const std::string graph = GraphOf(Build(t, disk));
    const std::string want = std::string("[0:v]fps=") + r.fg + ",crop=";
    EXPECT_EQ(graph.find(want) != std::string::npos, r.normalised) << r.fg << " vs " << r.bg << ": " << graph;
  }
}

TEST(BuildCommand, BackgroundScaleAtTheBoundaryWhereTwiceNEqualsTheOutputHeight) {
  struct Row {
    int bw, bh, ow, oh;
    const char* scale;
  } rows[] = {
      {1920, 1080, 1080, 1920, "scale=3413*2:1920*2,"},  // n = 607, 2n < 1920
      {1000, 1000, 500, 1000, "scale=500*2:500*2,"},      // n = 500, 2n = 1000 = H: width fitted
      {1000, 998, 500, 1000, "scale=1002*2:1000*2,"},     // n = 499, 2n = 998 < H: height fitted
      {1280, 720, 1920, 1080, "scale=1920*2:1080*2,"},
      {0, 0, 1920, 1080, "scale=1920*2:1080*2,"},         // nothing known about the background
  };
  for (const auto& r : rows) {
    FakeDisk disk{{"/p/v.mp4", "/p/city.mp4"}, {}};
    TaskRecord t = Example3();
    t.backgroundWidth = r.bw;
    t.backgroundHeight = r.bh;
    t.outputWidth = r.ow;
    t.outputHeight = r.oh;
    const std::string cmd = Build(t, disk);
    EXPECT_NE(cmd.find(r.scale), std::string::npos) << r.bw << "x" << r.bh << " -> " << r.ow << "x" << r.oh << ": "
                                                    << cmd;
  }
}

TEST(BuildCommand, NumbersAreWrittenTheShortWay) {
  FakeDisk disk{{"/clips/trip.mp4", "/fx/snow.gif", "/bgm/song.mp3"}, {}};
  TaskRecord t = Example2();
  t.animationBlur = 5;
  t.animationOpacity = 9;
  const std::string cmd = Build(t, disk);
  EXPECT_NE(cmd.find("boxblur=2.5,scale=1080:1920"), std::string::npos) << cmd;
  EXPECT_NE(cmd.find("all_opacity=0.95[g1]"), std::string::npos) << cmd;
  EXPECT_NE(cmd.find("fade=out:st=58:d=2"), std::string::npos) << cmd;
  t.animationBlur = 4;
  t.animationOpacity = 0;
  t.outputDuration = "00:00:58.37";  // the foreground's full length
  const std::string other = Build(t, disk);
  EXPECT_NE(other.find("boxblur=2,scale=1080:1920"), std::string::npos) << other;
  EXPECT_NE(other.find("all_opacity=0.05[g1]"), std::string::npos) << other;
  EXPECT_NE(other.find("afade=out:st=56:d=2"), std::string::npos) << other;
  EXPECT_NE(other.find(" -to 00:00:58.37 "), std::string::npos) << other;
}

TEST(BuildCommand, FadeOutOfAVeryShortOutputStartsAtTheBeginning) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example1();
  TickOn(t, {kTickAudioFadeOut, kTickVideoFadeOut});
  t.outputDuration = "00:00:01";
  const std::string cmd = Build(t, disk);
  EXPECT_NE(cmd.find("afade=out:st=0:d=2"), std::string::npos) << cmd;
  EXPECT_NE(cmd.find(",fade=out:st=0:d=2"), std::string::npos) << cmd;
  t.outputDuration = "00:00:05";
  EXPECT_NE(Build(t, disk).find(",fade=out:st=3:d=2"), std::string::npos);
}

TEST(BuildCommand, ForegroundChainOnlyWhenTheSizeDiffersOrAFilterAsksForIt) {
  FakeDisk disk{{"/p/v.mp4", "/p/city.mp4"}, {}};
  TaskRecord t = Example3();
  t.outputWidth = t.suggestedWidth;
  t.outputHeight = t.suggestedHeight;
  std::string graph = GraphOf(Build(t, disk));  // mirror alone does not build the chain
  EXPECT_EQ(graph.find("[v]"), std::string::npos) << graph;
  EXPECT_NE(graph.find("[1:v]split[a1][b];[b]hflip[b1]"), std::string::npos) << graph;

  TickOn(t, {kTickSoften, kTickDenoise});
  graph = GraphOf(Build(t, disk));
  EXPECT_NE(graph.find("[1:v]scale=-1:1920,guided,hqdn3d=2:1.5:3:2.25,hflip[v];[v]split"), std::string::npos)
      << graph;
}

TEST(BuildCommand, EffectsAndPostFiltersInTheirPlaces) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example1();
  TickOn(t, {kTickPsychedelic, kTickColourShift, kTickBounceVertical, kTickBounceHorizontal, kTickDedupFrames,
           kTickVideoFadeIn});
  t.ticks[kTickAutoBitrate] = 0;
  t.bitrate = "2500";
  const std::string cmd = Build(t, disk);
  const std::string body = "[1:v]boxblur=10," + kEffects[0] + "," + kEffects[1] + ",scale=3413*2:1920*2,crop=1080:1920," +
                           kEffects[3] + "," + kEffects[2] + "[g1];";
  EXPECT_NE(cmd.find(body), std::string::npos) << cmd;
  EXPECT_NE(cmd.find("overlay=0:(H-h)/2\",mpdecimate,fade=in:st=0:d=2 -b:v 2500k -c:a copy -y"), std::string::npos)
      << cmd;
}

TEST(BuildCommand, OutputNameAvoidsExistingFilesAndFolders) {
  FakeDisk disk{{"/clips/trip.mp4", "/clips/result/trip_tmp.mp4", "/clips/result/trip_tmp_1.mp4"}, {}};
  TaskRecord t = Example1();
  const BuildResult r = BuildCommand(t, BuildMode::Full, disk.Env());
  EXPECT_EQ(r.outputPath, "/clips/result/trip_tmp_2.mp4");
  const std::string tail = " -y \"/clips/result/trip_tmp_2.mp4\"";
  EXPECT_EQ(r.text.substr(r.text.size() - tail.size()), tail);
  t.outputFormat = ".mkv";
  EXPECT_EQ(BuildCommand(t, BuildMode::Full, disk.Env()).outputPath, "/clips/result/trip_tmp.mkv");
}

TEST(BuildCommand, MissingAnimationIsLeftOutAndNoFolderIsMadeWithoutAForeground) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example2();
  const std::string cmd = Build(t, disk);  // snow.gif and song.mp3 are not on this disk
  EXPECT_EQ(cmd.find("snow.gif"), std::string::npos);
  EXPECT_NE(cmd.find("crop=1080:1920[g1];"), std::string::npos) << cmd;

  FakeDisk empty;
  TaskRecord none = Example1();
  none.foregroundPath = none.backgroundPath = "\"\"";
  Build(none, empty);
  EXPECT_TRUE(empty.madeFolders.empty());
}

TEST(BuildCommand, TickedAudioWithoutItsFileStillNamesAnEmptyInput) {
  FakeDisk disk{{"/clips/trip.mp4"}, {}};
  TaskRecord t = Example1();
  TickOn(t, {kTickMusic});
  t.audioPath.clear();
  const std::string cmd = Build(t, disk);
  EXPECT_EQ(cmd.rfind(" -stream_loop -1 -i \"\" -i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to", 0), 0u) << cmd;
}

TEST(BuildCommand, BlendModeNamesFollowTheList) {
  EXPECT_STREQ(BlendModeName(0), "overlay");
  EXPECT_STREQ(BlendModeName(4), "screen");
  EXPECT_STREQ(BlendModeName(12), "difference128");
  EXPECT_STREQ(BlendModeName(27), "vividlight");
  EXPECT_STREQ(BlendModeName(-1), "overlay");
  EXPECT_STREQ(BlendModeName(28), "overlay");
}
