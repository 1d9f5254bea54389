// Preview cost: a generated 1080p clip made into a portrait task; prints the time of one
// preview frame at three moments (the quick background the preview uses, and the task's
// classic graph), what the exact seek costs there (decoding from the start, taken when a fast
// seek gives decode errors), and the time of converting the whole clip with the task's command.
// With CLIP, the exact seek's cost is measured on that file too (a phone clip whose fast seek
// cannot be decoded, say), and whether its fast seek gives decode errors.
// Usage: preview_bench [seconds=10] [CLIP]
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

// One frame of `task` at `at` with the given seek, as the preview renders it.
void TimeSeeks(const task::TaskRecord& task, double at) {
  for (const pipeline::Seek seek : {pipeline::Seek::Fast, pipeline::Seek::Exact}) {
    const auto start = Clock::now();
    const probe::ConverterOutput run = probe::RunConverterToEnd(
        pipeline::PreviewFrameArguments(task, at, {"", "", "", ""}, {}, seek), {}, size_t(512) << 20);
    const bool errors = run.bytes.find("error while decoding") != std::string::npos;
    std::printf("  frame at %5.1f s, %s seek: %.2f s%s\n", at,
                seek == pipeline::Seek::Fast ? "fast " : "exact", Seconds(start),
                errors ? " (decode errors)" : "");
  }
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
  for (const double at : {seconds / 2.0, seconds - 0.5}) TimeSeeks(made.task, at);
  if (argc > 2) {
    const pipeline::MadeTask real = pipeline::MakeTask(argv[2], {}, {"", "", "", ""}, trial);
    if (real.ok) {
      const double length = pipeline::PreviewLength(real.task);
      std::printf("%s to %dx%d\n", argv[2], real.task.outputWidth, real.task.outputHeight);
      for (const double at : {1.0, length / 2, length - 1}) TimeSeeks(real.task, at);
    } else {
      std::fprintf(stderr, "%s: %s\n", argv[2], real.refusal.c_str());
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
