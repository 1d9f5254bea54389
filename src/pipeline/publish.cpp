#include "pipeline/publish.h"

#include "platform/fonts.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "probe/path_check.h"
#include "probe/probe_file.h"
#include "task/control_rules.h"
#include "text/bytes.h"

namespace pipeline {

void SelectTarget(SettingsArea& s, const task::TaskRecord& r, const task::PublishTarget* target) {
  s.target = target ? target->settings : task::TargetSettings{};
  s.moreOutputs.clear();
  if (!target) return;
  SelectRatio(s, r,
              task::RatioForTarget(r.foregroundWidth, r.foregroundHeight, target->width, target->height));
  s.widthBox = std::to_string(target->width);
  s.heightBox = std::to_string(target->height);
  s.storedCount = s.count.Update(r.foregroundWidth, r.foregroundHeight, target->width, target->height);
  s.formatBox = ".mp4";
}

namespace {

// A target as the window holds a choice, from what a task stored of it.
task::PublishTarget StoredTarget(const task::TargetSettings& settings, int width, int height) {
  task::PublishTarget target;
  target.settings = settings;
  target.label = settings.name;
  target.width = width;
  target.height = height;
  return target;
}

}  // namespace

std::optional<task::PublishTarget> TargetOf(const task::TaskRecord& r) {
  if (!r.target.used()) return std::nullopt;
  return StoredTarget(r.target, r.outputWidth, r.outputHeight);
}

std::vector<task::PublishTarget> MoreTargetsOf(const task::TaskRecord& r) {
  std::vector<task::PublishTarget> targets;
  for (const task::TargetOutput& o : r.moreOutputs)
    targets.push_back(StoredTarget(o.settings, o.width, o.height));
  return targets;
}

std::vector<task::TargetOutput> OutputsOf(const std::vector<task::PublishTarget>& targets) {
  std::vector<task::TargetOutput> outputs;
  for (const task::PublishTarget& t : targets) outputs.push_back({t.settings, t.width, t.height});
  return outputs;
}

const task::PublishTarget* ShortestLimit(const std::vector<task::PublishTarget>& targets) {
  const task::PublishTarget* shortest = nullptr;
  for (const task::PublishTarget& t : targets)
    if (t.maxSeconds > 0 && (!shortest || t.maxSeconds < shortest->maxSeconds)) shortest = &t;
  return shortest;
}

std::string OverLimitMessage(const task::TaskRecord& r, const task::PublishTarget& target) {
  const int seconds = text::SecondsOfDuration(r.foregroundDuration);
  if (target.maxSeconds <= 0 || seconds <= target.maxSeconds) return "";
  const std::string path = task::Unquote(r.foregroundPath);
  return "“" + path.substr(path.rfind('/') + 1) + "”长 " + std::to_string(seconds) + " 秒，超过发布目标“" +
         target.label + "”的时长上限 " + std::to_string(target.maxSeconds) + " 秒";
}

void CutToLimit(SettingsArea& s, const task::PublishTarget& target) {
  s.durationBox = task::ClockText(target.maxSeconds);
}

std::string BandTextsSettingsProblem(const task::BandTexts& texts) {
  if (std::string problem = task::BandTextsProblem(texts); !problem.empty()) return problem;
  if (texts.used() && !texts.font.empty() && plat::FontFileFor(texts.font).empty())
    return "找不到字体“" + texts.font + "”：请给出已安装字体的名称或字体文件的路径";
  return "";
}

std::string ProbeLogo(task::Logo& logo) {
  const std::string path = task::Unquote(logo.path);
  const std::string named = "Logo 文件“" + path + "”";
  if (const char* problem = probe::ProbeRequestProblem(path); *problem) return named + "：" + problem;
  if (probe::ConverterPath().empty()) return probe::MissingConverterMessage();
  const probe::ProbeOutcome out = probe::ProbeFile(path);
  if (out.status == probe::ProbeStatus::Parsed &&
      (out.info.kind == task::kKindStill || out.info.kind == task::kKindGif)) {
    logo.kind = out.info.kind;
    return "";
  }
  return named + "必须为图片（PNG、JPG）或 GIF 动画文件";
}

std::string WriteBandTexts(const std::vector<task::BandTextFile>& files) {
  for (const task::BandTextFile& f : files) {
    std::string why;
    if (!plat::WriteFileAtomically(f.path, f.content, &why)) {
      RemoveBandTexts(files);
      return "无法写入文字文件“" + f.path + "”：" + why;
    }
  }
  return "";
}

void RemoveBandTexts(const std::vector<task::BandTextFile>& files) {
  for (const task::BandTextFile& f : files) plat::DeleteFile(f.path);
}

}  // namespace pipeline
