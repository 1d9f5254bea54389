#include "pipeline/settings_area.h"

#include "platform/platform.h"
#include "text/bytes.h"

namespace pipeline {

using namespace task;

SettingsArea NewTaskSettings() {
  SettingsArea s;
  s.Tick(kTickAutoBitrate, true);
  s.Tick(kTickMute, true);
  s.disabled.fill(1);
  s.Enable(kOffAutoBitrate, true);
  s.Enable(kOffMute, true);
  return s;
}

void ApplyAudioRule(SettingsArea& s) {
  const AudioRuleResult rule =
      AudioRule(s.ticked(kTickForegroundSound), s.ticked(kTickBackgroundSound), s.ticked(kTickMusic));
  s.Tick(kTickMute, rule.mute);
  if (!rule.fadesEnabled) {
    s.Tick(kTickAudioFadeIn, false);
    s.Tick(kTickAudioFadeOut, false);
  }
  s.Enable(kOffAudioFadeIn, rule.fadesEnabled);
  s.Enable(kOffAudioFadeOut, rule.fadesEnabled);
}

// ---- clearing a source ----------------------------------------------------------------

void ResetForeground(SettingsArea& s, TaskRecord& r) {
  s.Tick(kTickForegroundSound, false);
  r.foregroundPath.clear();
  r.foregroundDuration.clear();
  r.foregroundBitrate.clear();
  r.foregroundAudioCodec.clear();
  r.foregroundExtension.clear();
  s.foregroundBox.clear();
  r.foregroundKind = r.foregroundWidth = r.foregroundHeight = 0;
  for (Disabled d : {kOffDenoise, kOffSoften, kOffMirror, kOffVideoFadeIn, kOffVideoFadeOut,
                     kOffForegroundSound, kOffDedupFrames})
    s.Enable(d, false);
  s.settingsEnabled = false;
  ApplyAudioRule(s);
}

void ClearBackground(SettingsArea& s, TaskRecord& r) {
  r.backgroundPath.clear();
  r.backgroundDuration.clear();
  s.backgroundBox = kBackgroundPlaceholder;
  r.backgroundKind = r.backgroundWidth = r.backgroundHeight = 0;
  s.backgroundBlur = 5;
  if (plat::FileExists(Unquote(r.foregroundPath))) s.Enable(kOffBackgroundSound, false);
  for (Tick t :
       {kTickPsychedelic, kTickColourShift, kTickBounceVertical, kTickBounceHorizontal, kTickBackgroundSound})
    s.Tick(t, false);
  ApplyAudioRule(s);
}

void ClearAnimation(SettingsArea& s, TaskRecord& r) {
  r.animationPath.clear();
  r.animationDuration.clear();
  s.animationBox.clear();
  r.animationKind = r.animationWidth = r.animationHeight = 0;
  s.blendModeIndex = 0;
  for (Disabled d : {kOffAnimationBlur, kOffAnimationOpacity, kOffBlendMode}) s.Enable(d, false);
  s.animationOpacity = 4;
  s.animationBlur = 5;
}

void ClearAudio(SettingsArea& s, TaskRecord& r) {
  s.Tick(kTickMusic, false);
  s.Enable(kOffMusic, false);
  r.audioPath.clear();
  r.audioDuration.clear();
  s.audioBox.clear();
  r.audioKind = 0;
  ApplyAudioRule(s);
}

namespace {

void Refuse(SettingsArea& s, TaskRecord& r, SourceKind kind) {
  switch (kind) {
    case kForeground:
      ResetForeground(s, r);
      s.foregroundBox = RefusalText(kind);
      break;
    case kBackground:
      ClearBackground(s, r);
      s.backgroundBox = RefusalText(kind);
      break;
    case kAnimation:
      ClearAnimation(s, r);
      s.animationBox = RefusalText(kind);
      break;
    case kAudio:
      ClearAudio(s, r);
      s.audioBox = RefusalText(kind);
      break;
  }
}

// ---- result handling per kind ---------------------------------------------------------

void TakeForeground(SettingsArea& s, TaskRecord& r, const std::string& path, const probe::MediaInfo& m) {
  r.foregroundDuration = m.duration;
  if (r.backgroundDuration.empty()) r.backgroundDuration = m.duration;
  r.foregroundKind = m.kind;
  r.foregroundWidth = m.width;
  r.foregroundHeight = m.height;
  if (!AcceptsProbe(kForeground, m.kind, m.duration)) return Refuse(s, r, kForeground);
  s.foregroundBox = path;
  r.foregroundPath = Quote(path);
  const bool sound = m.kind == kKindVideoWithSound;
  if (sound) s.Tick(kTickMute, false);
  s.Tick(kTickForegroundSound, sound);
  s.Enable(kOffForegroundSound, sound);
  for (Disabled d :
       {kOffDenoise, kOffSoften, kOffMirror, kOffDedupFrames, kOffBackgroundBlur, kOffBounceVertical,
        kOffBounceHorizontal, kOffPsychedelic, kOffColourShift, kOffVideoFadeIn, kOffVideoFadeOut})
    s.Enable(d, true);
  s.settingsEnabled = true;
  if (text::SecondsOfDuration(m.duration) <= 4) {  // too short to fade in and out
    s.Enable(kOffVideoFadeIn, false);
    s.Enable(kOffVideoFadeOut, false);
  }
  s.durationBox = text::Left(m.duration, 8);
  r.foregroundBitrate = m.bitrate;
  s.bitrateBox = m.bitrate;
  r.foregroundFps = m.frameRate;
  r.foregroundExtension = m.extension;
  r.foregroundAudioCodec = m.audioCodec;
  s.formatBox = m.extension;

  if (m.height > m.width) {  // portrait: a landscape output of the same height
    s.activeBox = ActiveBox::Height;
    s.ratioIndex = kRatioLandscape16x9;
    r.suggestedHeight = m.height;
    r.suggestedWidth = RatioDimension(s.ratioIndex, s.activeBox, m.height);
  } else {  // landscape or square: a portrait output of the same width
    s.activeBox = ActiveBox::Width;
    s.ratioIndex = kRatioPortrait9x16;
    r.suggestedWidth = m.width;
    r.suggestedHeight = RatioDimension(s.ratioIndex, s.activeBox, m.width);
  }
  s.widthBox = std::to_string(r.suggestedWidth);
  s.heightBox = std::to_string(r.suggestedHeight);
  r.foregroundCountMax = s.count.Update(m.width, m.height, r.suggestedWidth, r.suggestedHeight);
  s.storedCount = r.foregroundCountMax;
  r.selectedForegroundCount = s.count.selected;
}

void TakeBackground(SettingsArea& s, TaskRecord& r, const std::string& path, const probe::MediaInfo& m) {
  r.backgroundDuration = m.duration;
  r.backgroundKind = m.kind;
  r.backgroundWidth = m.width;
  r.backgroundHeight = m.height;
  if (!AcceptsProbe(kBackground, m.kind, m.duration)) return Refuse(s, r, kBackground);
  s.backgroundBox = path;
  r.backgroundPath = Quote(path);
  r.backgroundFps = m.frameRate;
  s.backgroundBlur = 5;
  if (m.kind == kKindVideoWithSound) {
    if (!s.ticked(kTickForegroundSound) && !s.ticked(kTickMusic)) {
      s.Tick(kTickMute, false);
      s.Tick(kTickBackgroundSound, true);
    }
    s.Enable(kOffBackgroundSound, true);
  } else {
    s.Tick(kTickBackgroundSound, false);
    s.Enable(kOffBackgroundSound, false);
  }
}

void TakeAnimation(SettingsArea& s, TaskRecord& r, const std::string& path, const probe::MediaInfo& m) {
  r.animationDuration = m.duration;
  r.animationKind = m.kind;
  r.animationWidth = m.width;
  r.animationHeight = m.height;
  if (!AcceptsProbe(kAnimation, m.kind, m.duration)) return Refuse(s, r, kAnimation);
  s.animationBox = path;
  r.animationPath = Quote(path);
  for (Disabled d : {kOffAnimationBlur, kOffAnimationOpacity, kOffBlendMode}) s.Enable(d, true);
  r.animationFps = m.frameRate;
  s.animationOpacity = 4;
  s.animationBlur = 5;
  s.blendModeIndex = 0;  // "overlay"
}

void TakeAudio(SettingsArea& s, TaskRecord& r, const std::string& path, const probe::MediaInfo& m) {
  r.audioDuration = m.duration;
  r.audioKind = m.kind;  // width and height mean nothing for a sound
  if (!AcceptsProbe(kAudio, m.kind, m.duration)) return Refuse(s, r, kAudio);
  r.audioPath = Quote(path);
  s.audioBox = path;
  s.Tick(kTickMute, false);
  s.Tick(kTickMusic, true);
  s.Enable(kOffMusic, true);
}

}  // namespace

void HandleProbe(SettingsArea& s, TaskRecord& r, SourceKind kind, const std::string& path,
                 const probe::ProbeOutcome& out) {
  if (out.status == probe::ProbeStatus::Failed) {
    Refuse(s, r, kind);
  } else if (out.status == probe::ProbeStatus::Parsed) {
    switch (kind) {
      case kForeground:
        TakeForeground(s, r, path, out.info);
        break;
      case kBackground:
        TakeBackground(s, r, path, out.info);
        break;
      case kAnimation:
        TakeAnimation(s, r, path, out.info);
        break;
      case kAudio:
        TakeAudio(s, r, path, out.info);
        break;
    }
  }
  ApplyAudioRule(s);
}

// ---- size boxes -------------------------------------------------------------------------

void SelectRatio(SettingsArea& s, const TaskRecord& r, int ratioIndex) {
  s.ratioIndex = ratioIndex;
  const OutputSize size = RatioSelectionSize(ratioIndex, r.foregroundWidth, r.foregroundHeight);
  s.activeBox = size.active;
  s.widthBox = std::to_string(size.width);
  s.heightBox = std::to_string(size.height);
  s.count.Update(r.foregroundWidth, r.foregroundHeight, size.width, size.height);
}

std::string CalculateRatio(SettingsArea& s, const TaskRecord& r) {
  const int width = text::ToInteger(s.widthBox), height = text::ToInteger(s.heightBox);
  if (width < kMinimumOutputSize || height < kMinimumOutputSize)
    return "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";
  if (s.activeBox == ActiveBox::Height) {
    const int w = RatioDimension(s.ratioIndex, s.activeBox, height);
    if (w < kMinimumOutputSize) {
      s.heightBox.clear();
      return "当前视频高度设置有误，换算宽度仅有" + std::to_string(w) + "，低于最低限度96，请修改。";
    }
    s.widthBox = std::to_string(w);
  } else {
    const int h = RatioDimension(s.ratioIndex, s.activeBox, width);
    if (h < kMinimumOutputSize) {
      s.widthBox.clear();
      return "当前视频宽度设置有误，换算高度仅有" + std::to_string(h) + "，低于最低限度96，请修改。";
    }
    s.heightBox = std::to_string(h);
  }
  s.count.Update(r.foregroundWidth, r.foregroundHeight, text::ToInteger(s.widthBox),
                 text::ToInteger(s.heightBox));
  return "";
}

// ---- switches ---------------------------------------------------------------------------

void ClickSound(SettingsArea& s, Tick sound, bool on) {
  s.Tick(sound, on);
  ApplyAudioRule(s);
}

void ClickMute(SettingsArea& s) {
  // Mute is left only by ticking a sound source; ticking mute drops every sound source.
  s.Tick(kTickMute, true);
  for (Tick t : {kTickForegroundSound, kTickBackgroundSound, kTickMusic}) s.Tick(t, false);
  ApplyAudioRule(s);
}

void ClickAutoBitrate(SettingsArea& s, const TaskRecord& r, bool on) {
  s.Tick(kTickAutoBitrate, on);
  if (on) s.bitrateBox = r.foregroundBitrate;
  s.Enable(kOffBitrateBox, !on);
}

// ---- validation, reading and building -------------------------------------------------

ValidationOutcome ValidateSettings(SettingsArea& s, TaskRecord& r) {
  ValidationInput in;
  in.widthText = s.widthBox;
  in.heightText = s.heightBox;
  in.durationText = s.durationBox;
  in.bitrateText = s.bitrateBox;
  in.formatText = s.formatBox;
  in.ratioIndex = s.ratioIndex;
  in.autoBitrate = s.ticked(kTickAutoBitrate);
  in.foregroundWidth = r.foregroundWidth;
  in.foregroundHeight = r.foregroundHeight;
  in.foregroundDuration = r.foregroundDuration;
  in.foregroundExtension = r.foregroundExtension;
  in.foregroundBitrate = r.foregroundBitrate;
  in.target = s.target.used();
  ValidationOutcome out = CheckOutputSettings(in);
  if (out.ok) {
    if (std::string problem = LayoutCopiesProblem(s.layout, s.count.visible ? s.count.selected + 1 : 1);
        !problem.empty()) {
      out.ok = false;
      out.message = problem;
    }
  }

  // Corrections stay in the boxes whatever the outcome.
  if (out.widthBox) s.widthBox = *out.widthBox;
  if (out.heightBox) s.heightBox = *out.heightBox;
  if (out.forceAutoBitrate) {
    s.Tick(kTickAutoBitrate, true);
    s.bitrateBox = *out.bitrateBox;
    s.Enable(kOffBitrateBox, false);
  }
  if (!out.ok) return out;
  if (out.durationBox) s.durationBox = *out.durationBox;
  if (out.dropVideoFades) {
    for (Tick t : {kTickVideoFadeIn, kTickVideoFadeOut}) s.Tick(t, false);
    for (Disabled d : {kOffVideoFadeIn, kOffVideoFadeOut}) s.Enable(d, false);
  }
  if (out.formatBox) s.formatBox = *out.formatBox;
  r.outputWidth = out.outputWidth;
  r.outputHeight = out.outputHeight;
  r.outputDuration = out.outputDuration;
  r.outputFormat = s.formatBox;
  r.bitrate = s.bitrateBox;
  return out;
}

void ReadTask(SettingsArea& s, TaskRecord& r) {
  r.foregroundPath = Quote(s.foregroundBox);
  r.fastBackground = s.fastBackground;
  r.layout = s.layout;
  r.encoderPreset = s.encoderPreset;
  r.target = s.target;
  r.moreOutputs = s.moreOutputs;
  r.bandTexts = s.bandTexts;
  r.logo = s.logo;
  r.backgroundPath = plat::FileExists(s.backgroundBox) ? Quote(s.backgroundBox) : r.foregroundPath;
  r.animationPath = plat::FileExists(s.animationBox) ? Quote(s.animationBox) : "";
  r.audioPath = plat::FileExists(s.audioBox) ? Quote(s.audioBox) : "";
  r.outputWidth = text::ToInteger(s.widthBox);
  r.outputHeight = text::ToInteger(s.heightBox);
  // A box showing the first eight characters of the duration already stored (the
  // foreground's full length, 00:00:58.37) keeps that one, so the output is not cut short.
  const std::string& d = s.durationBox;
  if (!(d.size() == 8 && r.outputDuration.size() > 8 && r.outputDuration.compare(0, 8, d) == 0))
    r.outputDuration = d;
  r.outputFormat = s.formatBox;
  r.bitrate = s.bitrateBox;
  r.foregroundCountMax = s.count.Update(r.foregroundWidth, r.foregroundHeight, r.outputWidth, r.outputHeight);
  r.selectedForegroundCount = s.count.selected;
  r.ratioIndex = s.ratioIndex;
  r.blendModeIndex = s.blendModeIndex;
  r.backgroundBlur = s.backgroundBlur;
  r.animationBlur = s.animationBlur;
  r.animationOpacity = s.animationOpacity;
  r.ticks = s.ticks;
  r.disabled = s.disabled;
}

std::string BuildCommandFor(SettingsArea& s, TaskRecord& r, BuildMode mode,
                            const std::array<std::string, 4>& effectFilters,
                            std::vector<task::BandTextFile>* textFiles) {
  ReadTask(s, r);
  const BuildResult built = BuildCommand(r, mode, DiskEnvironment(effectFilters));
  if (built.backgroundReplaced) {
    s.backgroundBox = kBackgroundPlaceholder;
    s.Tick(kTickBackgroundSound, false);
  }
  if (built.backgroundReplaced || built.audioRuleChanged) ApplyAudioRule(s);
  if (textFiles) *textFiles = built.textFiles;
  return built.text;
}

}  // namespace pipeline
