#include "reframe/crop_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace reframe {

CropWindow WindowFor(int srcW, int srcH, int outW, int outH) {
  CropWindow w;
  if (srcW <= 0 || srcH <= 0 || outW <= 0 || outH <= 0) return w;
  // Wider than the canvas: keep the full height and cut across; else keep the full width.
  w.across = static_cast<double>(srcW) * outH >= static_cast<double>(srcH) * outW;
  if (w.across) {
    w.height = srcH;
    w.width = std::min(srcW, static_cast<int>(std::lround(static_cast<double>(srcH) * outW / outH)) & ~1);
    w.travel = srcW - w.width;
  } else {
    w.width = srcW;
    w.height = std::min(srcH, static_cast<int>(std::lround(static_cast<double>(srcW) * outH / outW)) & ~1);
    w.travel = srcH - w.height;
  }
  w.width = std::max(w.width, 2);
  w.height = std::max(w.height, 2);
  return w;
}

std::string FilterPathText(const std::string& path) {
  std::string option;
  for (char c : path) {
    if (c == '\\' || c == '\'' || c == ':') option += '\\';
    option += c;
  }
  // Inside single quotes the graph parser takes everything as it is, up to the next quote.
  std::string quoted = "'";
  for (char c : option) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string SendcmdPathFor(const std::string& temporaryOutput) { return temporaryOutput + ".follow.txt"; }

std::string FollowCropFilter(const CropWindow& window, int start, const std::string& sendcmdPath) {
  const int x = window.across ? start : 0, y = window.across ? 0 : start;
  std::string r;
  if (!sendcmdPath.empty()) r = "sendcmd=f=" + FilterPathText(sendcmdPath) + ",";
  return r + kCropTarget + std::string("=w=") + std::to_string(window.width) +
         ":h=" + std::to_string(window.height) + ":x=" + std::to_string(x) + ":y=" + std::to_string(y) +
         ":exact=1";
}

bool ShowsBlurredLook(const std::string& sendcmd) { return sendcmd.find(kMixTarget) != std::string::npos; }

std::string SendcmdText(const std::vector<FramePlace>& frames, bool across, double frameRate, int hiddenX) {
  const double half = frameRate > 0 ? 0.5 / frameRate : 0.0;
  std::string text;
  int lastPosition = -1;
  // Without a scene that falls back the graph has no blurred branch to uncover.
  const bool blurred =
      std::any_of(frames.begin(), frames.end(), [](const FramePlace& f) { return f.fallback; });
  int lastFallback = blurred ? -1 : 0;
  for (const FramePlace& f : frames) {
    std::string commands;
    if (f.position != lastPosition) {
      commands += std::string(kCropTarget) + (across ? " x " : " y ") + std::to_string(f.position);
      lastPosition = f.position;
    }
    if (static_cast<int>(f.fallback) != lastFallback) {
      if (!commands.empty()) commands += ", ";
      commands += std::string(kMixTarget) + " x " + (f.fallback ? std::to_string(hiddenX) : "0");
      lastFallback = f.fallback;
    }
    if (commands.empty()) continue;
    // Whole microseconds, rounded down (past a nanosecond of float error), so the command
    // never lands after its frame.
    const long long us = std::max(0LL, static_cast<long long>(std::floor((f.time - half) * 1e6 + 1e-3)));
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%lld.%06lld", us / 1000000, us % 1000000);
    text += std::string(stamp) + " " + commands + ";\n";
  }
  return text;
}

}  // namespace reframe
