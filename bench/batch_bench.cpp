// Batch overhead: the same list of short clips converted by the task worker (1000 ms poll
// cycle, 1000 ms completion sleep, rename) and by running the stored commands directly with
// ffmpeg. Prints the runner's overhead per task (median) and the ratio of the wall times.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/task_worker.h"
#include "platform/platform.h"
#include "probe/converter.h"

namespace {

constexpr int kTasks = 6;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the converter with the stored argument text to its end, reading all it prints.
int RunDirectly(const std::string& arguments) {
  std::vector<std::string> words{"-hide_banner"};
  for (auto& w : probe::SplitArguments(arguments)) words.push_back(w);
  plat::Child c = probe::StartConverter(words);
  if (!c.started()) return -1;
  char buf[4096];
  while (plat::ReadSome(c.readFd, buf, 4095) > 0) {
  }
  plat::CloseFd(c.readFd);
  int status = -1;
  while (!plat::ChildExited(c.pid, &status)) plat::SleepMs(1);
  return status;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/flipframe-batch-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  plat::MakeDirs(folder + "/program");
  plat::MakeDirs(folder + "/result");
  plat::SetProgramFolderForTesting(folder + "/program");  // our converters only
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "batch_bench: %s\n", probe::MissingConverterMessage().c_str());
    return 1;
  }

  std::vector<std::string> commands;
  for (int i = 0; i < kTasks; ++i) {
    const std::string clip = folder + "/clip" + std::to_string(i) + ".mp4";
    const std::string make =
        "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=3 "
        "-f lavfi -i sine=frequency=440:duration=3 -c:v libx264 -preset ultrafast "
        "-pix_fmt yuv420p -c:a aac -shortest \"" +
        clip + "\"";
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "batch_bench: the converter could not make %s\n", clip.c_str());
      return 1;
    }
    // Landscape 640x360 to portrait 360x640, background made from the foreground.
    commands.push_back("-i \"" + clip + "\" -i \"" + clip +
                       "\" -to 00:00:03 -filter_complex \"[1:v]boxblur=10,scale=1137*2:640*2,"
                       "crop=360:640[g1];[0:v]scale=360:-1[v];[g1][v]overlay=0:(H-h)/2\" -c:a copy -y \"" +
                       folder + "/result/clip" + std::to_string(i) + "_tmp.mp4\"");
  }
  RunDirectly(commands[0]);  // warm the caches once

  std::vector<double> runnerMs, directMs, overheadMs;
  double runnerTotal = 0, directTotal = 0;
  for (int i = 0; i < kTasks; ++i) {
    auto start = Clock::now();
    if (RunDirectly(commands[size_t(i)]) != 0) {
      std::fprintf(stderr, "batch_bench: task %d failed when run directly\n", i + 1);
      return 1;
    }
    const double direct = MsSince(start);

    start = Clock::now();
    const batch::WorkerResult r = batch::RunTaskWorker(commands[size_t(i)], false, {}, {});
    const double runner = MsSince(start);
    if (r.ending != batch::WorkerEnding::Completed) {
      std::fprintf(stderr, "batch_bench: task %d did not complete: %s\n", i + 1, r.errorText.c_str());
      return 1;
    }
    directMs.push_back(direct);
    runnerMs.push_back(runner);
    overheadMs.push_back(runner - direct);
    directTotal += direct;
    runnerTotal += runner;
    std::printf("task %d: direct %7.0f ms   runner %7.0f ms   overhead %7.0f ms\n", i + 1, direct, runner,
                runner - direct);
  }
  std::printf("tasks: %d (640x360, 3 s, to portrait 360x640)\n", kTasks);
  std::printf("median direct:   %.0f ms per task\n", Median(directMs));
  std::printf("median runner:   %.0f ms per task\n", Median(runnerMs));
  std::printf("median overhead: %.0f ms per task (target <= 2500 ms)\n", Median(overheadMs));
  std::printf("wall time: runner %.1f s, direct %.1f s, ratio %.2f\n", runnerTotal / 1000, directTotal / 1000,
              runnerTotal / directTotal);
  std::system(("rm -rf '" + folder + "'").c_str());
  return Median(overheadMs) <= 2500 ? 0 : 2;
}
