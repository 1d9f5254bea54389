// The command builder as a pure function: worked examples byte for byte and the edge cases
// that the converter itself would not point out.
#include "task/command_builder.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/task_helpers.h"

using namespace task;
using testing_support::Begins;
using testing_support::Has;
using testing_support::Lacks;

namespace {

const std::array<std::string, 4> kEffects = testing_support::BuiltInEffects();

// A file system of named files ("/gone/..." never exists); records the folders asked for.
struct FakeDisk {
  std::set<std::string> files = {"/clips/trip.mp4", "/fx/snow.gif",  "/bgm/song.mp3", "/p/v.mp4",
                                 "/p/city.mp4",     "/pics/sky.png", "/f.mp4",        "/b.mp4",
                                 "/a.gif",          "/m.m4a"};
  std::vector<std::string> madeFolders;
  BuildEnvironment Env() {
    return {kEffects, [this](const std::string& p) { return files.count(p) > 0; },
            [this](const std::string& p) { return madeFolders.push_back(p), true; }};
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
  t.foregroundWidth = 1920, t.foregroundHeight = 1080;
  t.suggestedWidth = 1920, t.suggestedHeight = 3412;
  t.outputWidth = 1080, t.outputHeight = 1920;
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

// Example 2: example 1 with the GIF /fx/snow.gif (480x270, 3 s, 15 fps, sharp, opacity 0.45,
// screen), the music /bgm/song.mp3 (3:20) mixed in, all four fades, bitrate 3000.
TaskRecord Example2() {
  TaskRecord t = Example1();
  t.animationPath = "\"/fx/snow.gif\"";
  t.animationKind = 4;
  t.animationWidth = 480, t.animationHeight = 270;
  t.animationDuration = "00:00:03.00";
  t.animationFps = "15";
  t.animationBlur = 0, t.animationOpacity = 4, t.blendModeIndex = 4;
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
  t.foregroundKind = 3, t.backgroundKind = 5;
  t.foregroundWidth = 1080, t.foregroundHeight = 1920;
  t.suggestedWidth = 3412, t.suggestedHeight = 1920;
  t.backgroundWidth = 1280, t.backgroundHeight = 720;
  t.outputWidth = 1920, t.outputHeight = 1080;
  t.foregroundDuration = "00:00:30.00";
  t.backgroundDuration = "00:00:12.00";
  t.outputDuration = "00:00:30";
  t.foregroundExtension = t.outputFormat = ".mp4";
  t.foregroundFps = "30", t.backgroundFps = "25";
  t.ratioIndex = 0;
  t.selectedForegroundCount = 2;
  t.backgroundBlur = 0;
  TickOn(t, {kTickAutoBitrate, kTickBackgroundSound, kTickBounceVertical, kTickMirror});
  return t;
}

// Example 3 with every source under a short name and only the given sound ticked.
TaskRecord AllSources(std::initializer_list<task::Tick> sound) {
  TaskRecord t = Example3();
  t.foregroundPath = "\"/f.mp4\"", t.backgroundPath = "\"/b.mp4\"";
  t.audioPath = "\"/m.m4a\"", t.animationPath = "\"/a.gif\"";
  t.backgroundDuration = t.animationDuration = t.audioDuration = "00:01:00.00";
  t.animationFps = "30";
  t.animationBlur = 0;
  t.ticks = {};
  TickOn(t, sound);
  TickOn(t, {kTickAutoBitrate});
  return t;
}

TaskRecord With(TaskRecord t, const std::function<void(TaskRecord&)>& change) {
  change(t);
  return t;
}

std::string Build(TaskRecord t, BuildMode mode = BuildMode::Full) {
  FakeDisk disk;
  return BuildCommand(t, mode, disk.Env()).text;
}

}  // namespace

TEST(BuildCommand, WorkedExamplesByteForByteInFullAndTrialMode) {
  struct {
    TaskRecord task;
    std::string want, folder;
  } rows[] = {
      {Example1(),
       "-i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to 00:01:00 -filter_complex "
       "\"[1:v]boxblur=10,scale=3413*2:1920*2,crop=1080:1920[g1];[0:v]scale=1080:-1[v];[g1][v]overlay=0:(H-h)"
       "/2\" "
       "-c:a copy -y \"/clips/result/trip_tmp.mp4\"",
       "/clips/result"},
      {Example2(),
       " -i \"/bgm/song.mp3\" -i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -stream_loop -1 -i "
       "\"/fx/snow.gif\" -to "
       "00:01:00 -filter_complex "
       "\"amix=inputs=2,afade=in:st=0:d=2,afade=out:st=58:d=2;[2:v]boxblur=10,scale=3413*2:"
       "1920*2,crop=1080:1920[a];[1:v]scale=1080:-1[v];[3:v]fps=30,scale=1080:1920,crop=1080:1920[b];[a][b]"
       "blend=all_"
       "mode='screen':all_opacity=0.45[g1];[g1][v]overlay=0:(H-h)/2\",fade=in:st=0:d=2,fade=out:st=58:d=2 "
       "-b:v 3000k "
       "-y \"/clips/result/trip_tmp.mp4\"",
       "/clips/result"},
      // The loop option of the shorter background video precedes the first input with its
      // blank, as the audio loop does in example 2.
      {Example3(),
       " -stream_loop -1 -i \"/p/city.mp4\" -i \"/p/v.mp4\" -to 00:00:30 -filter_complex "
       "\"amix=inputs=1;[0:v]fps=30,"
       "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/10):(in_h-out_h)/1.2+((in_h-out_h)/"
       "1.2)*sin(n/"
       "7)',scale=1920*2:1080*2,crop=1920:1080[g1];[1:v]scale=-1:1080,hflip[v];[v]split[a1][b];[b]hflip[b1];["
       "a1]split"
       "[c1][a2];[g1][c1]overlay=(W-w*3+3)/2+w*0-0:0[g2];[g2][b1]overlay=(W-w*3+3)/"
       "2+w*1-1:0[g3];[g3][a2]overlay=(W-w*"
       "3+3)/2+w*2-2:0\" -y \"/p/result/v_tmp.mp4\"",
       "/p/result"},
  };
  for (auto& r : rows) {
    FakeDisk disk;
    EXPECT_EQ(BuildCommand(r.task, BuildMode::Full, disk.Env()).text, r.want);
    // The trial differs only in its end of range.
    std::string trial = r.want;
    const std::string clause = " -to " + r.task.outputDuration;
    ASSERT_NE(trial.find(clause), std::string::npos);
    trial.replace(trial.find(clause), clause.size(), " -to 00:00:00.001 ");
    EXPECT_EQ(BuildCommand(r.task, BuildMode::Trial, disk.Env()).text, trial);
    EXPECT_EQ(disk.madeFolders, std::vector<std::string>(2, r.folder));
  }
}

TEST(BuildCommand, AbsentBackgroundBecomesTheForegroundAndSilencesItsSound) {
  FakeDisk disk;
  TaskRecord t = Example3();
  t.foregroundPath = "\"/clips/trip.mp4\"";
  t.backgroundPath = "\"/gone/city.mp4\"";
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
  EXPECT_TRUE(
      Begins(r.text, "-i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to 00:00:30 -filter_complex \"[1:v]"));
  EXPECT_TRUE(Has(r.text, "scale=1920*2:3413*2,"));
  EXPECT_TRUE(Has(r.text, " -an -y "));
}

// Each row changes one of the examples and names parts its command must hold and must not.
TEST(BuildCommand, EdgeCasesOfTheCommandText) {
  auto ticked = [](std::initializer_list<task::Tick> ticks, const char* duration = "00:01:00") {
    return With(Example1(), [=](TaskRecord& t) { TickOn(t, ticks), t.outputDuration = duration; });
  };
  auto sky = [](const char* path) {
    return With(Example1(), [=](TaskRecord& t) {
      t.backgroundPath = path, t.backgroundKind = 1, t.backgroundDuration = "00:00:00.04";
    });
  };
  auto music = [](const char* duration) {
    return With(AllSources({kTickMusic}), [=](TaskRecord& t) {
      t.backgroundPath = t.foregroundPath, t.animationPath.clear(), t.audioDuration = duration;
    });
  };
  auto atSuggestedSize = [](std::initializer_list<task::Tick> ticks) {
    return With(Example3(), [=](TaskRecord& t) {
      t.outputWidth = t.suggestedWidth, t.outputHeight = t.suggestedHeight;
      TickOn(t, ticks);
    });
  };
  // Frame-rate texts are compared as they are.
  auto fps = [](const char* fg, const char* bg) {
    return With(Example3(), [=](TaskRecord& t) { t.foregroundFps = fg, t.backgroundFps = bg; });
  };
  // The background is scaled by n = its height x the output width / its width; 2n against H.
  auto scaled = [](int bw, int bh, int ow, int oh) {
    return With(Example3(), [=](TaskRecord& t) {
      t.backgroundWidth = bw, t.backgroundHeight = bh, t.outputWidth = ow, t.outputHeight = oh;
    });
  };
  const struct {
    const char* name;
    TaskRecord task;
    std::vector<std::string> has, lacks = {};
  } rows[] = {
      {"audio fade-in starts the graph",
       ticked({kTickAudioFadeIn}),
       {"-filter_complex \"afade=in:st=0:d=2;[1:v]boxblur=10,"}},
      {"both audio fades of 5 s",
       ticked({kTickAudioFadeIn, kTickAudioFadeOut}, "00:00:05"),
       {"-filter_complex \"afade=in:st=0:d=2,afade=out:st=3:d=2;[1:v]"}},
      {"mute",
       With(Example1(), [](TaskRecord& t) { t.ticks[kTickForegroundSound] = 0, t.ticks[kTickMute] = 1; }),
       {"-filter_complex \"[1:v]boxblur=10,", "overlay=0:(H-h)/2\" -an -y"}},
      {"fade-outs of a 1 s output start at 0",
       ticked({kTickAudioFadeOut, kTickVideoFadeOut}, "00:00:01"),
       {"afade=out:st=0:d=2", ",fade=out:st=0:d=2"}},
      {"fade-out of a 5 s output", ticked({kTickVideoFadeOut}, "00:00:05"), {",fade=out:st=3:d=2"}},
      {"numbers: blur 2.5, opacity 0.95",
       With(Example2(), [](TaskRecord& t) { t.animationBlur = 5, t.animationOpacity = 9; }),
       {"boxblur=2.5,scale=1080:1920", "all_opacity=0.95[g1]", "fade=out:st=58:d=2"}},
      {"numbers: blur 2, opacity 0.05, full length",
       With(Example2(),
            [](TaskRecord& t) {
              t.animationBlur = 4, t.animationOpacity = 0, t.outputDuration = "00:00:58.37";
            }),
       {"boxblur=2,scale=1080:1920", "all_opacity=0.05[g1]", "afade=out:st=56:d=2", " -to 00:00:58.37 "}},
      {"short music loops",
       music("00:00:10.00"),
       {" -stream_loop -1 -i \"/m.m4a\" -i \"/f.mp4\" -i \"/f.mp4\" -to"}},
      {"music as long as the output plays once",
       music("00:00:30.00"),
       {" -i \"/m.m4a\" -i \"/f.mp4\""},
       {"-stream_loop"}},
      {"ticked music without its file names an empty input",
       With(Example1(), [](TaskRecord& t) { TickOn(t, {kTickMusic}), t.audioPath.clear(); }),
       {" -stream_loop -1 -i \"\" -i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\" -to"}},
      {"still background loops for the output length",
       sky("\"/pics/sky.png\""),
       {" -loop 1 -t 00:01:00 -i \"/pics/sky.png\""},
       {"-stream_loop"}},
      // The foreground copy in its place must not get its loop option (the converter refuses
      // -loop on a video file).
      {"vanished still background",
       sky("\"/gone/sky.png\""),
       {"-i \"/clips/trip.mp4\" -i \"/clips/trip.mp4\""},
       {"-loop"}},
      {"vanished animation is left out",
       With(Example2(), [](TaskRecord& t) { t.animationPath = "\"/gone/a.gif\""; }),
       {"crop=1080:1920[g1];"},
       {"a.gif", "blend="}},
      {"mirror alone builds no foreground chain for a row of copies",
       atSuggestedSize({}),
       {"[1:v]split[a1][b];[b]hflip[b1]"},
       {"[v]"}},
      {"but mirrors a single copy",
       With(atSuggestedSize({}), [](TaskRecord& t) { t.selectedForegroundCount = 0; }),
       {"[1:v]scale=-1:1920,hflip[v];[g1][v]overlay"}},
      {"soften and denoise build it",
       atSuggestedSize({kTickSoften, kTickDenoise}),
       {"[1:v]scale=-1:1920,guided,hqdn3d=2:1.5:3:2.25,hflip[v];[v]split"}},
      {"effects and post-filters in their places",
       With(Example1(),
            [](TaskRecord& t) {
              TickOn(t, {kTickPsychedelic, kTickColourShift, kTickBounceVertical, kTickBounceHorizontal,
                         kTickDedupFrames, kTickVideoFadeIn});
              t.ticks[kTickAutoBitrate] = 0, t.bitrate = "2500";
            }),
       {"[1:v]boxblur=10," + kEffects[0] + "," + kEffects[1] + ",scale=3413*2:1920*2,crop=1080:1920," +
            kEffects[3] + "," + kEffects[2] + "[g1];",
        "overlay=0:(H-h)/2\",mpdecimate,fade=in:st=0:d=2 -b:v 2500k -c:a copy -y"}},
      {"fps 29.97 against 30", fps("29.97", "30"), {"[0:v]fps=29.97,crop="}},
      {"fps 25 against 25.00", fps("25", "25.00"), {"[0:v]fps=25,crop="}},
      {"fps 30 against 30", fps("30", "30"), {"[0:v]crop="}, {"fps="}},
      {"fps 30 against unknown", fps("30", ""), {"[0:v]crop="}, {"fps="}},
      {"n = 607, 2n < 1920", scaled(1920, 1080, 1080, 1920), {"scale=3413*2:1920*2,"}},
      {"n = 500, 2n = H: width fitted", scaled(1000, 1000, 500, 1000), {"scale=500*2:500*2,"}},
      {"n = 499, 2n < H: height fitted", scaled(1000, 998, 500, 1000), {"scale=1002*2:1000*2,"}},
      {"720p background to 1080p", scaled(1280, 720, 1920, 1080), {"scale=1920*2:1080*2,"}},
      {"background size unknown", scaled(0, 0, 1920, 1080), {"scale=1920*2:1080*2,"}},
  };
  for (const auto& r : rows) {
    const std::string cmd = Build(r.task);
    for (const std::string& part : r.has) EXPECT_TRUE(Has(cmd, part)) << r.name;
    for (const std::string& part : r.lacks) EXPECT_TRUE(Lacks(cmd, part)) << r.name;
  }
}

TEST(BuildCommand, SevenAudioCasesOrderTheInputsSoMixedSoundComesFirst) {
  struct Row {
    std::initializer_list<task::Tick> ticks;
    const char *start, *foregroundLabel, *animationLabel;
  } rows[] = {
      {{kTickMute},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"[1:v]",
       "[0:v]",
       "[2:v]"},
      {{kTickForegroundSound},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"[1:v]",
       "[0:v]",
       "[2:v]"},
      {{kTickForegroundSound, kTickBackgroundSound, kTickMusic},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/m.m4a\" -i \"/a.gif\" -to 00:00:30 -filter_complex "
       "\"amix=inputs=3;[1:v]",
       "[0:v]",
       "[3:v]"},
      {{kTickForegroundSound, kTickBackgroundSound},
       "-i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=2;[1:v]",
       "[0:v]",
       "[2:v]"},
      {{kTickBackgroundSound, kTickMusic},
       " -i \"/m.m4a\" -i \"/b.mp4\" -i \"/f.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex "
       "\"amix=inputs=2;[1:v]",
       "[2:v]",
       "[3:v]"},
      {{kTickForegroundSound, kTickMusic},
       " -i \"/m.m4a\" -i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex "
       "\"amix=inputs=2;[2:v]",
       "[1:v]",
       "[3:v]"},
      {{kTickBackgroundSound},
       " -i \"/b.mp4\" -i \"/f.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex \"amix=inputs=1;[0:v]",
       "[1:v]",
       "[2:v]"},
      {{kTickMusic},
       " -i \"/m.m4a\" -i \"/f.mp4\" -i \"/b.mp4\" -i \"/a.gif\" -to 00:00:30 -filter_complex "
       "\"amix=inputs=1;[2:v]",
       "[1:v]",
       "[3:v]"},
  };
  for (const auto& r : rows) {
    const std::string cmd = Build(AllSources(r.ticks));
    EXPECT_TRUE(Begins(cmd, r.start));
    EXPECT_TRUE(Has(cmd, std::string(";") + r.foregroundLabel + "scale=-1:1080"));
    EXPECT_TRUE(Has(cmd, std::string(r.animationLabel) + "scale=1920:1080,crop=1920:1080[b]"));
  }
}

// The builder asks its file-existence query for the temporary name, makes no folder without a
// foreground, and writes "overlay" for a blend mode outside the list.
TEST(BuildCommand, OutputNameFolderAndBlendModeFallbacks) {
  FakeDisk disk{{"/clips/trip.mp4", "/clips/result/trip_tmp.mp4", "/clips/result/trip_tmp_1.mp4"}, {}};
  TaskRecord t = Example1();
  const BuildResult r = BuildCommand(t, BuildMode::Full, disk.Env());
  EXPECT_EQ(r.outputPath, "/clips/result/trip_tmp_2.mp4");
  EXPECT_TRUE(r.text.ends_with(" -y \"/clips/result/trip_tmp_2.mp4\"")) << r.text;
  t.outputFormat = ".mkv";
  EXPECT_EQ(BuildCommand(t, BuildMode::Full, disk.Env()).outputPath, "/clips/result/trip_tmp.mkv");

  FakeDisk empty;
  t.foregroundPath = t.backgroundPath = "\"\"";
  BuildCommand(t, BuildMode::Full, empty.Env());
  EXPECT_TRUE(empty.madeFolders.empty());
  EXPECT_STREQ(BlendModeName(-1), "overlay");
  EXPECT_STREQ(BlendModeName(kBlendModeCount), "overlay");
}
