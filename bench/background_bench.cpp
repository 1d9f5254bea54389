// Background graph cost: a generated clip converted three ways to the same output size with
// the same encoder -- the plain encode (no background: the floor), the classic background
// graph and the fast one -- once to portrait and once to landscape with a row of 3 copies.
// Prints the wall times, their ratios to the floor, and the SSIM of the fast output against
// the classic one. Usage: background_bench [seconds=10] [repeats=1]; the best of the repeats
// counts, which keeps other work on the machine out of the figures as far as possible.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_media.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "task/command_builder.h"
#include "text/shell_quote.h"

namespace {

using Clock = std::chrono::steady_clock;

int Run(const std::string& line) { return std::system(line.c_str()); }

using bench::Capture;

// Best wall time in seconds of running the converter with these words; negative on failure.
double TimeConverter(const std::vector<std::string>& words, int repeats) {
  std::vector<std::string> argv{probe::ConverterPath(), "-hide_banner", "-loglevel", "error", "-nostdin"};
  argv.insert(argv.end(), words.begin(), words.end());
  const std::string line = text::ShellLine(argv);
  double best = -1;
  for (int i = 0; i < repeats; ++i) {
    const auto start = Clock::now();
    if (Run(line) != 0) {
      std::fprintf(stderr, "failed: %s\n", line.c_str());
      return -1;
    }
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    best = best < 0 ? s : std::min(best, s);
  }
  return best;
}

std::string MakeClip(const std::string& folder, int w, int h, int seconds) {
  const std::string path = folder + "/clip_" + std::to_string(w) + "x" + std::to_string(h) + ".mp4";
  bench::MakeClip(path, w, h, seconds);
  return path;
}

// The task the window would make for `clip`: copy-of-foreground background at blur 5, only
// the foreground's sound, automatic bitrate.
task::TaskRecord TaskFor(const std::string& clip, int w, int h, int outW, int outH, int copies, int seconds) {
  task::TaskRecord t;
  t.foregroundPath = t.backgroundPath = task::Quote(clip);
  t.foregroundKind = 5;
  t.foregroundWidth = t.backgroundWidth = w, t.foregroundHeight = t.backgroundHeight = h;
  t.outputWidth = t.suggestedWidth = outW, t.outputHeight = outH;
  t.suggestedHeight = outH + 2;  // the foreground is scaled, as for most sources
  char d[16];
  std::snprintf(d, sizeof d, "00:%02d:%02d", seconds / 60, seconds % 60);
  t.outputDuration = d;
  t.foregroundDuration = t.backgroundDuration = std::string(d) + ".00";
  t.foregroundExtension = t.outputFormat = ".mp4";
  t.foregroundFps = "25";
  t.ratioIndex = outW < outH ? 7 : 0;
  t.selectedForegroundCount = copies - 1;
  t.ticks[task::kTickAutoBitrate] = 1;
  t.ticks[task::kTickForegroundSound] = 1;
  return t;
}

void Case(const char* name, const std::string& folder, int w, int h, int outW, int outH, int copies,
          int seconds, int repeats) {
  const std::string clip = MakeClip(folder, w, h, seconds);
  const std::string size = std::to_string(outW) + ":" + std::to_string(outH);
  const std::string floorOut = folder + "/floor.mp4";
  const double floor =
      TimeConverter({"-i", clip, "-vf", "scale=" + size, "-c:a", "copy", "-y", floorOut}, repeats);

  const auto env = task::DiskEnvironment({});
  task::TaskRecord classic = TaskFor(clip, w, h, outW, outH, copies, seconds), fast = classic;
  fast.fastBackground = true;
  const task::BuildResult c = task::BuildCommand(classic, task::BuildMode::Full, env);
  const double classicTime = TimeConverter(probe::SplitArguments(c.text), repeats);
  task::BuildResult f = task::BuildCommand(fast, task::BuildMode::Full, env);
  const double fastTime = TimeConverter(probe::SplitArguments(f.text), repeats);

  std::printf("%s (%dx%d -> %dx%d, %d copies, %d s, best of %d)\n", name, w, h, outW, outH, copies, seconds,
              repeats);
  std::printf("  floor (plain encode)  %7.2f s\n", floor);
  std::printf("  classic background    %7.2f s  %.2fx floor\n", classicTime, classicTime / floor);
  std::printf("  fast background       %7.2f s  %.2fx floor\n", fastTime, fastTime / floor);
  std::printf("  SSIM fast vs classic  %.4f\n", bench::Ssim(f.outputPath, c.outputPath));
  std::printf("  fast graph: %s\n", f.text.c_str());
  std::fflush(stdout);
  plat::DeleteFile(c.outputPath);
  plat::DeleteFile(f.outputPath);
  plat::DeleteFile(floorOut);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10, repeats = argc > 2 ? std::atoi(argv[2]) : 1;
  if (seconds < 1 || seconds > 3599 || repeats < 1) {
    std::fprintf(stderr, "usage: background_bench [seconds 1..3599, default 10] [repeats, default 1]\n");
    return 2;
  }
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "no ffmpeg\n");
    return 1;
  }
  char pattern[] = "/tmp/flipframe-background-bench-XXXXXX";
  const char* folder = mkdtemp(pattern);
  if (!folder) return 1;
  Case("landscape to portrait", folder, 1920, 1080, 1080, 1920, 1, seconds, repeats);
  Case("portrait to landscape", folder, 608, 1080, 1920, 1080, 3, seconds, repeats);
  Run("rm -rf " + text::ShellQuote(folder));
  return 0;
}
