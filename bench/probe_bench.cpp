// Probe speed: `flipframe --probe` against the converter's own `ffmpeg -i` on the same 1080p
// clip. Prints the median of 20 runs of each, from start to the end of the process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_media.h"
#include "platform/platform.h"
#include "probe/converter.h"

namespace {

constexpr int kRuns = 20;

// Runs argv to its end, reading everything it prints; milliseconds from start to reaped.
double TimedRun(const std::vector<std::string>& argv, std::string* output) {
  auto start = std::chrono::steady_clock::now();
  plat::Child c = plat::StartWithCapture(argv);
  output->clear();
  char buf[4096];
  int n;
  while (c.readFd >= 0 && (n = plat::ReadSome(c.readFd, buf, sizeof buf)) > 0) output->append(buf, size_t(n));
  plat::CloseFd(c.readFd);
  plat::ReapChild(c.pid, 60000);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main() {
  const std::string ffmpeg = probe::ConverterPath();
  if (ffmpeg.empty()) {
    std::fprintf(stderr, "probe_bench: %s\n", probe::MissingConverterMessage().c_str());
    return 1;
  }
  char pattern[] = "/tmp/flipframe-probe-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  const std::string clip = folder + "/clip1080.mp4";
  if (!bench::MakeClip(clip, 1920, 1080, 5)) {
    std::fprintf(stderr, "probe_bench: the converter could not make the clip\n");
    return 1;
  }

  std::vector<double> probeMs, converterMs;
  std::string out;
  bool probeOk = true;
  for (int i = 0; i < kRuns; ++i) {
    // Alternate the two so that a change in machine load touches both alike.
    probeMs.push_back(TimedRun({FLIPFRAME_BINARY, "--probe", clip}, &out));
    probeOk = probeOk && out.find("kind: 5\n") != std::string::npos;
    converterMs.push_back(TimedRun({ffmpeg, "-i", clip}, &out));
  }
  plat::DeleteFile(clip);
  std::remove(folder.c_str());

  double p = Median(probeMs), f = Median(converterMs);
  std::printf("1080p clip, %d runs each (median)\n", kRuns);
  std::printf("  flipframe --probe : %7.1f ms%s\n", p, probeOk ? "" : "  (WRONG RESULT)");
  std::printf("  ffmpeg -i         : %7.1f ms\n", f);
  std::printf("  difference        : %+7.1f ms (target: at most +120 ms) %s\n", p - f,
              p - f <= 120.0 ? "met" : "MISSED");
  return probeOk ? 0 : 1;
}
