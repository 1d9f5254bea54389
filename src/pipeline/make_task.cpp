#include "pipeline/make_task.h"

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "pipeline/publish.h"
#include "pipeline/settings_area.h"
#include "probe/converter.h"
#include "probe/path_check.h"
#include "probe/probe_file.h"
#include "task/outputs_graph.h"
#include "text/bytes.h"

namespace pipeline {

using namespace task;

std::string WorkerTrial::RunTrial(const std::string& arguments) {
  batch::WorkerTiming timing;
  timing.endOtherConverters = endOtherConverters;
  return batch::RunTaskWorker(arguments, true, {}, {}, timing).errorText;
}

namespace {

// A picked file: the checks of the probe request, the probe, the result handling. The
// refusal text, or "" when the kind took the file.
std::string PickSource(SettingsArea& s, TaskRecord& r, SourceKind kind, const std::string& path) {
  if (const char* problem = probe::ProbeRequestProblem(path); *problem) return problem;
  if (probe::ConverterPath().empty()) return probe::MissingConverterMessage();
  const probe::ProbeOutcome out = probe::ProbeFile(path);
  if (out.status == probe::ProbeStatus::NoVerdict) return "转换程序没有给出此文件的媒体信息";
  HandleProbe(s, r, kind, path, out);
  const bool taken =
      out.status == probe::ProbeStatus::Parsed && AcceptsProbe(kind, out.info.kind, out.info.duration);
  return taken ? "" : RefusalText(kind);
}

std::string WithPlainLineBreaks(std::string s) {
  for (size_t at; (at = s.find("\r\n")) != std::string::npos;) s.erase(at, 1);
  return s;
}

// The sound switch a click may tick only when its source has sound.
struct SoundSwitch {
  Tick tick;
  Disabled off;
  const char* lacks;
};
constexpr SoundSwitch kSoundSwitches[3] = {
    {kTickForegroundSound, kOffForegroundSound, "前景视频没有声音可用"},
    {kTickBackgroundSound, kOffBackgroundSound, "背景没有声音可用"},
    {kTickMusic, kOffMusic, "没有可用的背景音乐文件"},
};

// Ticks `t` when its box may be clicked, as a click on a disabled box does nothing.
void TickIfEnabled(SettingsArea& s, Tick t, Disabled d, bool on) {
  if (on && s.enabled(d)) s.Tick(t, true);
}

// The template's targets whose length limit is the shortest: the one the clip is held to.
const PublishTarget* LimitingTarget(const SettingsTemplate& t) {
  if (!t.target) return nullptr;
  std::vector<PublishTarget> all{*t.target};
  all.insert(all.end(), t.moreTargets.begin(), t.moreTargets.end());
  const PublishTarget* limiting = ShortestLimit(all);
  if (!limiting) return &*t.target;
  return limiting == &all.front() ? &*t.target : &t.moreTargets[size_t(limiting - &all.front()) - 1];
}

// The clicks the template stands for, after the sources were picked. "" or a refusal.
std::string ApplyTemplate(SettingsArea& s, TaskRecord& r, const SettingsTemplate& t) {
  if (t.target) {
    SelectTarget(s, r, &*t.target);
    s.moreOutputs = OutputsOf(t.moreTargets);
    const PublishTarget& limiting = *LimitingTarget(t);
    if (const std::string over = OverLimitMessage(r, limiting); !over.empty()) {
      if (t.overLimit == SettingsTemplate::OverLimit::Ask) return over;
      if (t.overLimit == SettingsTemplate::OverLimit::Cut) CutToLimit(s, limiting);
    }
  }
  s.bandTexts = FilledBandTexts(t.bandTexts, s.foregroundBox, t.index);
  // A target has set the ratio and both sizes.
  if (t.ratioIndex && !t.target) SelectRatio(s, r, *t.ratioIndex);
  if (t.typedSize && !t.target) {
    s.activeBox = t.typedBox;
    (t.typedBox == ActiveBox::Width ? s.widthBox : s.heightBox) = std::to_string(*t.typedSize);
    s.storedCount = s.count.Update(r.foregroundWidth, r.foregroundHeight, text::ToInteger(s.widthBox),
                                   text::ToInteger(s.heightBox));
    if (std::string message = CalculateRatio(s, r); !message.empty()) return message;
  }
  if (t.copies) {
    if (std::string problem = LayoutCopiesProblem(t.layout, *t.copies); !problem.empty()) return problem;
    if (*t.copies > 1 && (!s.count.visible || *t.copies > s.count.items))
      return "输出尺寸 " + s.widthBox + "x" + s.heightBox + " 最多只能并排 " +
             std::to_string(s.count.visible ? s.count.items : 1) + " 个前景视频";
    if (s.count.visible) s.count.selected = *t.copies - 1;
  }
  if (t.backgroundBlur && s.enabled(kOffBackgroundBlur)) s.backgroundBlur = *t.backgroundBlur;
  if (t.animationBlur && s.enabled(kOffAnimationBlur)) s.animationBlur = *t.animationBlur;
  if (t.animationOpacity && s.enabled(kOffAnimationOpacity)) s.animationOpacity = *t.animationOpacity;
  if (t.blendModeIndex && s.enabled(kOffBlendMode)) s.blendModeIndex = *t.blendModeIndex;

  const Tick effectTicks[4] = {kTickBounceVertical, kTickBounceHorizontal, kTickColourShift,
                               kTickPsychedelic};
  const Disabled effectOffs[4] = {kOffBounceVertical, kOffBounceHorizontal, kOffColourShift, kOffPsychedelic};
  for (int e = 0; e < 4; ++e) TickIfEnabled(s, effectTicks[e], effectOffs[e], t.effects[size_t(e)]);
  TickIfEnabled(s, kTickDenoise, kOffDenoise, t.denoise);
  TickIfEnabled(s, kTickSoften, kOffSoften, t.soften);
  TickIfEnabled(s, kTickMirror, kOffMirror, t.mirror);
  TickIfEnabled(s, kTickDedupFrames, kOffDedupFrames, t.dedup);
  TickIfEnabled(s, kTickVideoFadeIn, kOffVideoFadeIn, t.videoFadeIn);
  TickIfEnabled(s, kTickVideoFadeOut, kOffVideoFadeOut, t.videoFadeOut);

  if (t.sounds) {
    bool any = false;
    for (size_t i = 0; i < 3; ++i) {
      const SoundSwitch& sw = kSoundSwitches[i];
      const bool want = (*t.sounds)[i];
      any = any || want;
      if (want && !s.enabled(sw.off)) return sw.lacks;
      if (s.ticked(sw.tick) != want) ClickSound(s, sw.tick, want);
    }
    if (!any) ClickMute(s);
  }
  TickIfEnabled(s, kTickAudioFadeIn, kOffAudioFadeIn, t.audioFadeIn);
  TickIfEnabled(s, kTickAudioFadeOut, kOffAudioFadeOut, t.audioFadeOut);

  if (t.bitrate) {
    ClickAutoBitrate(s, r, false);
    s.bitrateBox = *t.bitrate;
  }
  if (t.duration) s.durationBox = *t.duration;
  if (t.format) s.formatBox = *t.format;
  return "";
}

}  // namespace

MadeTask MakeTask(const std::string& foreground, const SettingsTemplate& settings,
                  const std::array<std::string, 4>& effectFilters, TrialRunner& trial,
                  const std::function<std::string(const TaskRecord&)>& checkForeground) {
  MadeTask made;
  auto refuse = [&made](std::string why) {
    made.refusal = std::move(why);
    return made;
  };
  // 新建任务: a clean record read from the reset controls.
  SettingsArea s = NewTaskSettings();
  s.fastBackground = settings.fastBackground;
  s.layout = settings.layout;
  s.encoderPreset = settings.encoderPreset;
  TaskRecord r;
  ReadTask(s, r);

  const std::pair<SourceKind, const std::string*> sources[] = {{kForeground, &foreground},
                                                               {kBackground, &settings.background},
                                                               {kAnimation, &settings.animation},
                                                               {kAudio, &settings.music}};
  for (const auto& [kind, path] : sources) {
    if (kind != kForeground && path->empty()) continue;
    if (std::string why = PickSource(s, r, kind, *path); !why.empty()) return refuse(why);
    if (kind == kForeground && checkForeground)
      if (std::string why = checkForeground(r); !why.empty()) return refuse(why);
  }
  if (settings.logo.used()) {
    s.logo = settings.logo;
    s.logo.path = Quote(settings.logo.path);
    if (std::string why = ProbeLogo(s.logo); !why.empty()) return refuse(why);
  }
  if (std::string why = ApplyTemplate(s, r, settings); !why.empty()) {
    made = refuse(why);
    if (settings.target && why == OverLimitMessage(r, *LimitingTarget(settings)))
      made.step = TaskStep::OverLimit;
    return made;
  }

  return FinishTask(s, r, effectFilters, trial);
}

MadeTask FinishTask(SettingsArea& s, TaskRecord& r, const std::array<std::string, 4>& effectFilters,
                    TrialRunner& trial, const std::function<bool(const std::string&)>& proceed) {
  MadeTask made;
  auto refuse = [&made](TaskStep step, std::string why) {
    made.step = step;
    made.refusal = std::move(why);
    return made;
  };
  const ValidationOutcome valid = ValidateSettings(s, r);
  if (!valid.ok) return refuse(TaskStep::Validation, valid.message);
  if (std::string why = BandTextsSettingsProblem(s.bandTexts); !why.empty())
    return refuse(TaskStep::Validation, why);
  if (!s.moreOutputs.empty()) {
    TaskRecord wanted = r;
    ReadTask(s, wanted);
    if (std::string why = SeveralOutputsProblem(wanted); !why.empty())
      return refuse(TaskStep::Validation, why);
  }
  std::vector<BandTextFile> textFiles;
  const std::string trialCommand = BuildCommandFor(s, r, BuildMode::Trial, effectFilters, &textFiles);
  if (trialCommand.empty()) return refuse(TaskStep::TrialBuild, "无法为此文件生成转换命令");
  if (proceed && !proceed(trialCommand)) return refuse(TaskStep::Unchanged, "");
  if (std::string why = WriteBandTexts(textFiles); !why.empty()) return refuse(TaskStep::Trial, why);
  const std::string error = trial.RunTrial(trialCommand);
  RemoveBandTexts(textFiles);
  if (!error.empty())
    return refuse(TaskStep::Trial, "发生错误：\n" + WithPlainLineBreaks(batch::FailureTranslation(error)));
  r.trialCommand = trialCommand;
  made.task = r;
  made.task.commandLine = BuildCommandFor(s, made.task, BuildMode::Full, effectFilters);
  StampSources(made.task);
  made.step = TaskStep::Stored;
  made.ok = true;
  return made;
}

}  // namespace pipeline
