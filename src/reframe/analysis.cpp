#include "reframe/analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "probe/converter.h"
#include "reframe/faces.h"
#include "reframe/signals.h"

namespace reframe {
namespace {

constexpr char kCacheVersion[] = "flipframe-follow 2";
// scdet's score (0-100) from which a frame starts a new shot: real cuts score 11.8-15.2, a
// hand-held close-up at most 7.4.
constexpr double kCutScore = 10;
// Faces are looked for in every other analysed frame; the tracks fill the ones between.
constexpr int kFaceEvery = 2;
// A face's box covers brows to chin: the head around it is this much wider on each side.
constexpr double kHeadMargin = 0.25;

std::string Seconds(double s) {
  char b[32];
  std::snprintf(b, sizeof b, "%.3f", s);
  return b;
}

// The cache key: everything the sendcmd text depends on.
std::string CacheKey(const AnalysisRequest& r) {
  const int64_t size = plat::FileSize(r.source), modified = plat::FileModifiedNs(r.source);
  if (size < 0 || modified < 0) return "";
  char b[256];
  std::snprintf(b, sizeof b, "|%lld|%lld|%dx%d|%dx%d|%s|%.6f", static_cast<long long>(size),
                static_cast<long long>(modified), r.sourceWidth, r.sourceHeight, r.outputWidth,
                r.outputHeight, Seconds(r.seconds).c_str(), r.frameRate);
  return std::string(kCacheVersion) + "|" + r.source + b;
}

uint64_t Fnv1a(const std::string& s) {
  uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
  return h;
}

// Reads exactly `size` bytes unless the converter ends or a stop comes; false then.
bool ReadFrame(int fd, pid_t pid, std::vector<uint8_t>* frame, const std::stop_token& stop, bool* ended,
               int* status) {
  if (frame->empty()) return false;
  size_t got = 0;
  while (got < frame->size()) {
    if (stop.stop_requested()) return false;
    const int waiting = plat::BytesWaiting(fd);
    if (waiting > 0) {
      const int want = static_cast<int>(std::min<size_t>(frame->size() - got, 1 << 20));
      const int n = plat::ReadSome(fd, reinterpret_cast<char*>(frame->data() + got), want);
      if (n <= 0) return false;
      got += size_t(n);
      continue;
    }
    if (*ended || plat::ChildExited(pid, status)) {
      // Ended: what is left in the pipe is all there is.
      *ended = true;
      if (plat::BytesWaiting(fd) <= 0) return false;
      continue;
    }
    plat::WaitForData(fd, nullptr, 50);  // the next bytes, or the converter's end
  }
  return true;
}

}  // namespace

void AnalysisSize(int srcW, int srcH, int* w, int* h) {
  *w = std::min(kAnalysisWidth, srcW) & ~1;
  *h = std::max(2, static_cast<int>(std::lround(static_cast<double>(srcH) * *w / std::max(1, srcW))) & ~1);
}

std::vector<std::string> AnalysisArguments(const AnalysisRequest& r, const std::string& cutsFile) {
  int w = 0, h = 0;
  AnalysisSize(r.sourceWidth, r.sourceHeight, &w, &h);
  // Every frame goes through scdet (small, so it costs little), whose cuts are written to
  // `cutsFile`; the grey frames for the signals and faces come 5 a second on standard output,
  // each the last source frame at or before its time (so a frame after a cut is never taken
  // for one before it).
  const std::string graph =
      "[0:v]setpts=PTS-STARTPTS,split[a][b];[a]fps=" + Seconds(kAnalysisRate) + ":round=up" +
      ",scale=" + std::to_string(w) + ":" + std::to_string(h) +
      ":flags=area,format=gray[g];[b]scale=160:-2:flags=fast_bilinear,scdet=threshold=" + Seconds(kCutScore) +
      ",metadata=mode=print:key=lavfi.scd.time:file=" + FilterPathText(cutsFile) + "[c]";
  // The length is the input's: it bounds both outputs.
  return {"-hide_banner", "-v",       "quiet",
          "-nostdin",     "-t",       Seconds(r.seconds),
          "-i",           r.source,   "-filter_complex",
          graph,          "-map",     "[g]",
          "-f",           "rawvideo", "-",
          "-map",         "[c]",      "-f",
          "null",         "-"};
}

std::vector<double> CutTimes(const std::string& printed) {
  std::vector<double> cuts;
  size_t at = 0;
  while ((at = printed.find("pts_time:", at)) != std::string::npos) {
    at += 9;
    char* end = nullptr;
    const double t = std::strtod(printed.c_str() + at, &end);
    if (end != printed.c_str() + at && std::isfinite(t) && t > 0) cuts.push_back(t);
  }
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

void MarkCuts(const std::vector<double>& cuts, std::vector<Sample>* samples) {
  for (double cut : cuts) {
    // The first analysed frame at or after the cut (an analysed frame is the source frame
    // shown at its time); its motion is the difference across the cut: none.
    const auto first = std::find_if(samples->begin(), samples->end(),
                                    [cut](const Sample& s) { return s.time + 1e-6 >= cut; });
    if (first == samples->begin() || first == samples->end()) continue;
    first->cut = true;
    first->cutTime = cut;
    first->globalMotion = false;
    std::erase_if(first->detections, [](const Detection& d) { return d.cue == Cue::Motion; });
  }
}

std::vector<FramePlace> FramePlaces(const SolvedPath& path, const std::vector<Sample>& samples,
                                    double seconds, double frameRate) {
  std::vector<FramePlace> frames;
  if (samples.empty() || frameRate <= 0) return frames;
  // No further than a frame past the last analysed one: the source ends there.
  seconds = std::min(seconds, samples.back().time + 1 / kAnalysisRate);
  const long long count = static_cast<long long>(std::ceil(seconds * frameRate - 1e-9));
  const auto startOf = [&](size_t j) { return samples[j].cut ? samples[j].cutTime : samples[j].time; };
  const double half = 0.5 / frameRate;
  size_t j = 0;
  for (long long k = 0; k < count; ++k) {
    const double t = static_cast<double>(k) / frameRate;
    // A new scene from the frame its cut was found on.
    while (j + 1 < samples.size() && startOf(j + 1) <= t + half) ++j;
    double place = path.positions[j];
    // Within a scene the window glides between two samples.
    if (j + 1 < samples.size() && !path.sceneStart[j + 1]) {
      const double span = samples[j + 1].time - samples[j].time;
      const double f = span > 0 ? std::clamp((t - samples[j].time) / span, 0.0, 1.0) : 0.0;
      place += f * (path.positions[j + 1] - path.positions[j]);
    }
    frames.push_back({t, static_cast<int>(std::lround(place)), path.fallback[j]});
  }
  return frames;
}

std::string SendcmdForSamples(const AnalysisRequest& r, const std::vector<Sample>& samples,
                              std::vector<Camera>* cameras) {
  const CropWindow window = WindowFor(r.sourceWidth, r.sourceHeight, r.outputWidth, r.outputHeight);
  SolverSettings settings;
  settings.extent = window.across ? r.sourceWidth : r.sourceHeight;
  settings.window = window.across ? window.width : window.height;
  const SolvedPath path = SolvePath(samples, settings);
  if (cameras) *cameras = path.cameras;
  return SendcmdText(FramePlaces(path, samples, r.seconds, r.frameRate), window.across, r.frameRate,
                     r.outputWidth + 16);
}

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/flipframe/reframe";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.cache/flipframe/reframe";
  return "";
}

std::string CachePath(const AnalysisRequest& r) {
  const std::string key = CacheKey(r), folder = CacheFolder();
  if (key.empty() || folder.empty()) return "";
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.txt", static_cast<unsigned long long>(Fnv1a(key)));
  return folder + name;
}

AnalysisResult Analyse(const AnalysisRequest& r, std::stop_token stop,
                       const std::function<void(double)>& progress) {
  AnalysisResult result;
  const std::string key = CacheKey(r), cache = CachePath(r);
  std::string kept;
  // The first line repeats the key, so a hash collision is never taken for a hit.
  if (!cache.empty() && plat::ReadFile(cache, &kept) && kept.compare(0, key.size() + 1, key + "\n") == 0) {
    result.ok = result.fromCache = true;
    result.sendcmd = kept.substr(key.size() + 1);
    result.blurred = ShowsBlurredLook(result.sendcmd);
    return result;
  }
  if (probe::ConverterPath().empty()) {
    result.error = probe::MissingConverterMessage();
    return result;
  }
  const CropWindow window = WindowFor(r.sourceWidth, r.sourceHeight, r.outputWidth, r.outputHeight);
  int w = 0, h = 0;
  AnalysisSize(r.sourceWidth, r.sourceHeight, &w, &h);
  if (w < 2 || h < 2 || r.outputWidth < 2 || r.outputHeight < 2) {
    result.error = "分析失败：前景的画面尺寸 " + std::to_string(r.sourceWidth) + "×" +
                   std::to_string(r.sourceHeight) + " 无法分析";
    return result;
  }
  const double scale = window.across ? double(r.sourceWidth) / w : double(r.sourceHeight) / h;

  std::string why;
  const std::string folder = CacheFolder().empty() ? "/tmp" : CacheFolder();
  const std::string cutsFile = plat::CreateFreshFile(folder + "/cuts", ".txt", 0, &why);
  if (cutsFile.empty()) {
    result.error = "分析失败：无法在 " + folder + " 写入文件：" + why;
    return result;
  }
  plat::Child child = probe::StartConverter(AnalysisArguments(r, cutsFile));
  if (!child.started()) {
    plat::DeleteFile(cutsFile);
    result.error = "无法启动转换程序 " + probe::ConverterPath();
    return result;
  }
  SignalTracker tracker(window.across);
  FaceFinder faces;
  std::vector<Sample> samples;
  GrayFrame frame{w, h, std::vector<uint8_t>(size_t(w) * size_t(h))};
  const double expected = std::max(1.0, r.seconds * kAnalysisRate);
  bool ended = false;
  int status = -1;
  while (ReadFrame(child.readFd, child.pid, &frame.pixels, stop, &ended, &status)) {
    SignalTracker::Found found = tracker.Next(frame);
    Sample s;
    s.time = static_cast<double>(samples.size()) / kAnalysisRate;
    s.globalMotion = found.globalMotion;
    for (Detection d : found.detections)
      s.detections.push_back({d.lo * scale, d.hi * scale, d.weight, Cue::Motion});
    if (samples.size() % kFaceEvery == 0) {
      for (const FaceBox& f : faces.Find(frame)) {
        const double lo = window.across ? f.left : f.top, hi = (window.across ? f.right : f.bottom) + 1;
        const double margin = kHeadMargin * (hi - lo);
        s.detections.push_back({(lo - margin) * scale, (hi + margin) * scale, f.score, Cue::Face});
      }
    }
    samples.push_back(std::move(s));
    if (progress) progress(std::min(1.0, static_cast<double>(samples.size()) / expected));
  }
  if (!ended) {
    plat::KillProcess(child.pid);
    plat::ReapChild(child.pid, 2000);
  }
  plat::CloseFd(child.readFd);
  std::string cuts;
  plat::ReadFile(cutsFile, &cuts);
  plat::DeleteFile(cutsFile);
  if (stop.stop_requested()) {
    result.stopped = true;
    return result;
  }
  if (samples.empty() || status != 0) {
    result.error = "分析失败：转换程序没有给出画面（退出码 " + std::to_string(status) + "）";
    return result;
  }
  MarkCuts(CutTimes(cuts), &samples);
  result.sendcmd = SendcmdForSamples(r, samples, &result.cameras);
  result.blurred = ShowsBlurredLook(result.sendcmd);
  result.ok = true;
  if (!cache.empty()) {
    plat::MakeDirs(CacheFolder());
    plat::WriteFileAtomically(cache, key + "\n" + result.sendcmd);  // a failed write only costs a rerun
  }
  return result;
}

}  // namespace reframe
