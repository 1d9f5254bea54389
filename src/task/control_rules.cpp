#include "task/control_rules.h"

#include <cmath>
#include <limits>

#include "text/bytes.h"
#include "text/numbers.h"

namespace task {
namespace {

const char* const kRatioNames[kRatioItemCount] = {"16:9",  "16:10", "15:9",  "4:3",  "21:9", "37:20",
                                                  "47:20", "9:16",  "10:16", "9:15", "3:4"};

const char* const kBlendModes[kBlendModeCount] = {
    "overlay", "hardmix",   "linearlight", "softlight", "screen",     "xor",           "addition",
    "and",     "average",   "burn",        "darken",    "difference", "difference128", "divide",
    "dodge",   "exclusion", "glow",        "hardlight", "lighten",    "multiply",      "negation",
    "normal",  "or",        "phoenix",     "pinlight",  "reflect",    "subtract",      "vividlight"};

}  // namespace

const char* RatioName(int ratioIndex) {
  return ratioIndex >= 0 && ratioIndex < kRatioItemCount ? kRatioNames[ratioIndex] : "";
}

int RatioIndexOf(const std::string& name) {
  for (int i = 0; i < kRatioItemCount; ++i)
    if (name == kRatioNames[i]) return i;
  return -1;
}

bool EvenDown(int& n) {
  if (n % 2 == 0) return false;
  n -= 1;
  return true;
}

int TruncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

int RatioDimension(int s, ActiveBox active, int v, const std::array<double, 23>& table) {
  if (s < 0 || s >= kRatioItemCount) return 0;
  // Typing the long side of the output gives the short one: short over long.
  const bool portrait = IsPortraitRatio(s);
  const bool shortOverLong =
      (!portrait && active == ActiveBox::Width) || (portrait && active == ActiveBox::Height);
  const double factor = table[static_cast<size_t>(shortOverLong ? s + 1 + kRatioItemCount : s + 1)];
  int result = TruncateToInt(text::RoundHalfAway(v * factor, 2));
  EvenDown(result);
  return result;
}

OutputSize RatioSelectionSize(int ratioIndex, int fw, int fh, const std::array<double, 23>& table) {
  OutputSize size;
  if (IsPortraitRatio(ratioIndex)) {  // the width is the foreground's, the height follows
    size.active = ActiveBox::Width;
    size.width = fw;
    size.height = std::max(RatioDimension(ratioIndex, size.active, fw, table), fh);
  } else {  // landscape output: the height is the foreground's, the width follows
    size.active = ActiveBox::Height;
    size.height = fh;
    size.width = std::max(RatioDimension(ratioIndex, size.active, fh, table), fw);
  }
  return size;
}

int ForegroundCopiesThatFit(int fw, int fh, int width, int height) {
  if (fw <= 0 || fh <= 0 || width <= 0 || height <= 0) return 0;  // never a division by zero
  const double copyWidth = static_cast<double>(height) * fw / fh;
  return std::min(TruncateToInt(width / copyWidth), kMaxForegroundCopies);
}

int CountList::Update(int fw, int fh, int width, int height) {
  const int n = ForegroundCopiesThatFit(fw, fh, width, height);
  if (n == lastComputed) return n;
  lastComputed = n;
  if (n < 2) {
    Hide();
    return n;
  }
  visible = true;
  if (items == n) return n;
  const int previous = items > 0 && selected >= 0 ? selected + 1 : 0;
  items = n;
  selected = previous > 0 ? std::min(n, previous) - 1 : 0;
  return n;
}

void CountList::Hide() {
  visible = false;
  items = 0;
  selected = -1;
  lastComputed = 0;
}

const char* RefusalText(SourceKind kind) {
  switch (kind) {
    case kForeground:
      return "必须为有效视频文件";
    case kBackground:
      return "必须为有效视频或图片文件";
    case kAnimation:
      return "必须为有效gif动画文件";
    case kAudio:
      return "必须为有效有声文件";
  }
  return "";
}

bool AcceptsProbe(SourceKind kind, int code, const std::string& duration) {
  switch (kind) {
    case kForeground:  // a moving picture that lasts at least a second
      return code >= kKindVideo && text::Left(duration, 8) != "00:00:00";
    case kBackground:
      return code != kKindNone && code != kKindSoundOnly;
    case kAnimation:
      return code == kKindGif;
    case kAudio:
      return code == kKindSoundOnly || code == kKindVideoWithSound;
  }
  return false;
}

AudioRuleResult AudioRule(bool foregroundSound, bool backgroundSound, bool music) {
  const bool any = foregroundSound || backgroundSound || music;
  return {!any, any};
}

bool ApplyAudioRuleTo(TaskRecord& t) {
  const TaskRecord before = t;
  const AudioRuleResult rule =
      AudioRule(t.ticked(kTickForegroundSound), t.ticked(kTickBackgroundSound), t.ticked(kTickMusic));
  t.ticks[kTickMute] = rule.mute ? 1 : 0;
  if (!rule.fadesEnabled) t.ticks[kTickAudioFadeIn] = t.ticks[kTickAudioFadeOut] = 0;
  t.disabled[kOffAudioFadeIn] = t.disabled[kOffAudioFadeOut] = rule.fadesEnabled ? 0 : 1;
  return t.ticks != before.ticks || t.disabled != before.disabled;
}

const char* BlendModeName(int index) {
  return index >= 0 && index < kBlendModeCount ? kBlendModes[index] : kBlendModes[0];
}

int BlendModeIndexOf(const std::string& name) {
  for (int i = 0; i < kBlendModeCount; ++i)
    if (name == kBlendModes[i]) return i;
  return -1;
}

}  // namespace task
