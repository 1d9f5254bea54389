// The control rules as pure functions: sizes from a ratio, the foreground count, which probed
// files a source accepts, and the audio rule.
#include "task/control_rules.h"

#include <gtest/gtest.h>

using namespace task;

TEST(ControlRules, RatioDimensionForBothFamiliesAndEitherBox) {
  const struct {
    const char* ratio;
    ActiveBox box;
    int typed, other;
  } rows[] = {
      {"16:9", ActiveBox::Width, 1920, 1080},   // landscape output, width typed
      {"16:9", ActiveBox::Height, 1080, 1920},  // landscape output, height typed
      {"16:9", ActiveBox::Width, 1080, 606},    // 607.5 cut to 607, made even
      {"47:20", ActiveBox::Height, 1000, 2350},
      {"47:20", ActiveBox::Width, 1000, 426},   // 426.632 rounded 426.63, cut 426
      {"9:16", ActiveBox::Height, 1920, 1080},  // portrait output
      {"9:16", ActiveBox::Width, 1080, 1920},
      {"9:16", ActiveBox::Width, 321, 570},   // 570.66 cut 570
      {"3:4", ActiveBox::Width, 301, 400},    // 401.33 cut 401, made even
      {"9:16", ActiveBox::None, 1080, 1920},  // no box chosen: long over short
      {"16:9", ActiveBox::None, 1080, 1920},
  };
  for (const auto& r : rows)
    EXPECT_EQ(RatioDimension(RatioIndexOf(r.ratio), r.box, r.typed), r.other) << r.ratio << " " << r.typed;
  EXPECT_EQ(RatioDimension(-1, ActiveBox::Width, 1920), 0);  // no ratio selected
  EXPECT_EQ(RatioDimension(kRatioItemCount, ActiveBox::Width, 1920), 0);
}

TEST(ControlRules, RatioSelectionKeepsTheForegroundSideAndNeverShrinksTheOther) {
  const struct {
    const char* ratio;
    int fw, fh;
    OutputSize want;
  } rows[] = {
      {"9:16", 1920, 1080, {1920, 3412, ActiveBox::Width}},  // landscape file made portrait
      {"16:9", 1080, 1920, {3412, 1920, ActiveBox::Height}},
      {"16:9", 1920, 1080, {1920, 1080, ActiveBox::Height}},  // 1920 from the ratio, not below the file
      {"9:16", 1080, 1920, {1080, 1920, ActiveBox::Width}},
      {"3:4", 321, 181, {321, 428, ActiveBox::Width}},  // an odd foreground width stays as it is
  };
  for (const auto& r : rows) {
    const OutputSize got = RatioSelectionSize(RatioIndexOf(r.ratio), r.fw, r.fh);
    EXPECT_EQ(got.width, r.want.width) << r.ratio << " " << r.fw << "x" << r.fh;
    EXPECT_EQ(got.height, r.want.height) << r.ratio << " " << r.fw << "x" << r.fh;
    EXPECT_EQ(got.active, r.want.active) << r.ratio;
  }
}

TEST(ControlRules, CountListShowsOnlyFromTwoCopiesAndKeepsTheChoice) {
  CountList list;
  EXPECT_EQ(list.Update(0, 0, 1920, 1080), 0);  // nothing probed
  EXPECT_FALSE(list.visible);
  EXPECT_EQ(list.Update(1920, 1080, 1080, 1920), 0);  // portrait output
  EXPECT_EQ(list.Update(1920, 1080, 1920, 1080), 1);
  EXPECT_FALSE(list.visible);
  EXPECT_EQ(list.selected, -1);

  EXPECT_EQ(list.Update(1080, 1920, 1920, 1080), 3);  // 1920 / 607.5 = 3.16
  EXPECT_TRUE(list.visible);
  EXPECT_EQ(list.items, 3);
  EXPECT_EQ(list.selected, 0);  // "1" the first time
  list.selected = 2;            // the user picks "3"
  EXPECT_EQ(list.Update(1080, 1920, 1400, 1080), 2);
  EXPECT_EQ(list.selected, 1);  // "2": the nearest that still fits
  EXPECT_EQ(list.Update(1080, 1920, 1080, 1080), 1);
  EXPECT_FALSE(list.visible);
  EXPECT_EQ(list.items, 0);
  EXPECT_EQ(ForegroundCopiesThatFit(1, 4096, 9999, 16), kMaxForegroundCopies);
}

TEST(ControlRules, ProbeAcceptancePerSourceKind) {
  const struct {
    SourceKind kind;
    int code;
    const char* duration;
    bool accepted;
  } rows[] = {
      {kForeground, kKindVideo, "00:00:05.00", true},
      {kForeground, kKindGif, "00:00:03.00", true},
      {kForeground, kKindVideoWithSound, "00:00:00.50", false},  // shorter than a second
      {kForeground, kKindStill, "00:00:00.04", false},
      {kForeground, kKindSoundOnly, "00:00:05.00", false},
      {kBackground, kKindStill, "00:00:00.04", true},
      {kBackground, kKindSoundOnly, "00:00:05.00", false},
      {kBackground, kKindNone, "", false},
      {kAnimation, kKindGif, "00:00:02.00", true},
      {kAnimation, kKindVideo, "00:00:02.00", false},
      {kAudio, kKindSoundOnly, "00:00:05.00", true},
      {kAudio, kKindVideoWithSound, "00:00:05.00", true},
      {kAudio, kKindVideo, "00:00:05.00", false},
  };
  for (const auto& r : rows)
    EXPECT_EQ(AcceptsProbe(r.kind, r.code, r.duration), r.accepted) << r.kind << " code " << r.code;
  EXPECT_STREQ(RefusalText(kForeground), "必须为有效视频文件");
  EXPECT_STREQ(RefusalText(kAudio), "必须为有效有声文件");
}

TEST(ControlRules, AudioRuleOnARecord) {
  TaskRecord t;
  t.ticks[kTickAudioFadeIn] = 1;
  EXPECT_TRUE(ApplyAudioRuleTo(t));  // no sound source: mute, fades off and disabled
  EXPECT_TRUE(t.ticked(kTickMute));
  EXPECT_FALSE(t.ticked(kTickAudioFadeIn));
  EXPECT_EQ(t.disabled[kOffAudioFadeOut], 1);
  EXPECT_FALSE(ApplyAudioRuleTo(t));
  t.ticks[kTickMusic] = 1;
  EXPECT_TRUE(ApplyAudioRuleTo(t));
  EXPECT_FALSE(t.ticked(kTickMute));
  EXPECT_EQ(t.disabled[kOffAudioFadeIn], 0);
}

TEST(ControlRules, NamesOfRatiosAndBlendModesReadBack) {
  for (int i = 0; i < kRatioItemCount; ++i) EXPECT_EQ(RatioIndexOf(RatioName(i)), i);
  for (int i = 0; i < kBlendModeCount; ++i) EXPECT_EQ(BlendModeIndexOf(BlendModeName(i)), i);
  EXPECT_TRUE(IsPortraitRatio(RatioIndexOf("9:16")));
  EXPECT_FALSE(IsPortraitRatio(RatioIndexOf("47:20")));
  EXPECT_EQ(RatioIndexOf("5:4"), -1);
}
