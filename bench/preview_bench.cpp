// Preview cost: a generated 1080p clip made into a portrait task; prints the time of one
// preview frame at three moments (the quick background the preview uses, and the task's
// classic graph), and the time of converting the whole clip with the task's command.
// Usage: preview_bench [seconds=10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_media.h"
#include "pipeline/make_task.h"
#include "pipeline/preview.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "text/shell_quote.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  char folderTemplate[] = "/tmp/flipframe-preview-bench-XXXXXX";
  const std::string folder = mkdtemp(folderTemplate);
  const std::string clip = folder + "/clip.mp4";
  if (!bench::MakeClip(clip, 1920, 1080, seconds, 30)) return 1;

  pipeline::WorkerTrial trial(false);
  const pipeline::MadeTask made = pipeline::MakeTask(clip, {}, {"", "", "", ""}, trial);
  if (!made.ok) {
    std::fprintf(stderr, "%s\n", made.refusal.c_str());
    return 1;
  }
  std::printf("1920x1080 %d s clip to %dx%d\n", seconds, made.task.outputWidth, made.task.outputHeight);
  for (const bool quick : {true, false}) {
    pipeline::PreviewSettings settings;
    settings.quickBackground = quick;
    for (const double at : {0.5, seconds / 2.0, seconds - 0.5}) {
      const auto start = Clock::now();
      const pipeline::PreviewFrame frame =
          pipeline::RenderPreviewFrame(made.task, at, {"", "", "", ""}, {}, settings);
      std::printf("  frame at %5.1f s, %s background: %.2f s%s\n", at, quick ? "quick  " : "classic",
                  Seconds(start), frame.image ? "" : (" (" + frame.error + ")").c_str());
    }
  }
  std::vector<std::string> words{probe::ConverterPath(), "-hide_banner", "-loglevel", "error", "-nostdin"};
  for (std::string& w : probe::SplitArguments(made.task.commandLine)) words.push_back(std::move(w));
  const auto start = Clock::now();
  const int status = std::system(text::ShellLine(words).c_str());
  std::printf("  whole conversion: %.2f s%s\n", Seconds(start), status == 0 ? "" : " (failed)");
  std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}
