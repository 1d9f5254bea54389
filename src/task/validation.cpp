#include "task/validation.h"

#include <cmath>

#include "task/control_rules.h"
#include "text/bytes.h"

namespace task {
namespace {

std::string WithoutBlanks(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out.push_back(c);
  return out;
}

}  // namespace

ValidationOutcome CheckOutputSettings(const ValidationInput& in) {
  ValidationOutcome out;

  // Sizes, made even (the box shows the corrected value).
  int w = text::ToInteger(in.widthText), h = text::ToInteger(in.heightText);
  if (EvenDown(w)) out.widthBox = std::to_string(w);
  if (EvenDown(h)) out.heightBox = std::to_string(h);

  if (w < kMinimumSize || h < kMinimumSize) {
    out.message = "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";
    return out;
  }
  // A publishing target of the clip's own size re-encodes it to the target's encoding.
  if (in.foregroundWidth == w && in.foregroundHeight == h && !in.target) {
    out.message = "当前设置的输出宽高与前景视频宽高相同，请修改后继续。";
    return out;
  }

  // Ratio limit: the foreground must fit along the dimension it is scaled to. Without a
  // probed foreground there is nothing to scale, and the limit is not applied.
  if (in.foregroundWidth > 0 && in.foregroundHeight > 0) {
    if (IsPortraitRatio(in.ratioIndex)) {
      int m = TruncateToInt(static_cast<double>(in.foregroundHeight) * w / in.foregroundWidth);
      EvenDown(m);
      if (h < m) {
        out.message = "因比例限制，当前前景视频高度不应小于" + std::to_string(m) + "，请修改。";
        out.heightBox = std::to_string(m);
        return out;
      }
    } else {
      int m = TruncateToInt(static_cast<double>(in.foregroundWidth) * h / in.foregroundHeight);
      EvenDown(m);
      if (w < m) {
        out.message = "因比例限制，当前前景视频宽度不应小于" + std::to_string(m) + "，请修改。";
        out.widthBox = std::to_string(m);
        return out;
      }
    }
  }

  // Duration written as 01:02:03 (only the length and the two colons are examined).
  const std::string& D = in.durationText;
  if (D.size() != 8 || D[2] != ':' || D[5] != ':') {
    out.message = "视频时长格式有误，需要按照01:02:03格式书写。";
    return out;
  }

  if (!in.autoBitrate && text::ToInteger(in.bitrateText) < kMinimumBitrate) {
    out.message = "请勿使用过低的码率，正常值至少不要低于100kb/s，如不知如何填写，请选择自动码率。";
    out.forceAutoBitrate = true;
    out.bitrateBox = in.foregroundBitrate;
    return out;
  }

  // Valid: store and normalise.
  out.ok = true;
  out.outputWidth = w;
  out.outputHeight = h;
  out.outputDuration = D;
  int k = text::SecondsOfDuration(D);
  // Never longer than the foreground. A foreground whose length is unknown (no time written
  // as 00:00:00) cannot shorten the output.
  const std::string f = text::Left(in.foregroundDuration, 8);
  // A duration equal to the foreground's whole seconds also means all of it, fraction included.
  if (f.size() == 8 && f[2] == ':' && f[5] == ':') {
    if (text::SecondsOfDuration(f) < k) {
      out.durationBox = f;
      k = text::SecondsOfDuration(f);
      out.outputDuration = in.foregroundDuration;
    } else if (D == f) {
      out.outputDuration = in.foregroundDuration;
    }
  }
  if (k < 5) out.dropVideoFades = true;  // each fade lasts two seconds

  std::string t = WithoutBlanks(in.formatText);
  if (t.empty()) t = in.foregroundExtension;
  std::string box = in.formatText;
  if (box != t) box = t;
  if (box.empty() || box[0] != '.') box = "." + box;
  if (box != in.formatText) out.formatBox = box;
  out.outputFormat = box;
  out.bitrate = in.bitrateText;
  return out;
}

}  // namespace task
