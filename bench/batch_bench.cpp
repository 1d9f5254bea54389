// Batch throughput: the same short clips converted by the converter commands run directly one
// after another, by `flipframe run` and `flipframe convert` (no gap between tasks), and by the
// window's batch runner (its 300 ms gap); then `flipframe run --jobs N` for 1, 2 and nproc jobs
// on 720p and 1080p clips. Prints the time per task and the overhead over the direct run.
// Usage: batch_bench [tasks=6] [seconds=3]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "pipeline/batch_runner.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "store/task_list_file.h"
#include "text/shell_quote.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int Shell(const std::string& line) { return std::system(line.c_str()); }

using bench::Capture;

std::string Quoted(const std::string& s) { return text::ShellLine({s}); }

// `count` clips of w x h and `seconds` with sound in `folder`, named c1.mp4...
std::vector<std::string> MakeClips(const std::string& folder, int count, int w, int h, int seconds) {
  plat::MakeDirs(folder);
  const std::string first = folder + "/c1.mp4";
  bench::MakeClip(first, w, h, seconds);
  std::vector<std::string> clips{first};
  for (int k = 2; k <= count; ++k) {
    clips.push_back(folder + "/c" + std::to_string(k) + ".mp4");
    Shell("cp " + Quoted(first) + " " + Quoted(clips.back()));
  }
  return clips;
}

std::string Words(const std::vector<std::string>& clips) {
  std::string words;
  for (const std::string& c : clips) words += " " + Quoted(c);
  return words;
}

// The converter commands `convert` would run, run directly one after another; seconds.
double RunDirectly(const std::vector<std::string>& clips) {
  const std::string lines = Capture(std::string(FLIPFRAME_BINARY) + " convert --dry-run" + Words(clips));
  std::vector<std::string> commands;
  for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
    commands.push_back(lines.substr(start, end - start));
  const auto started = Clock::now();
  for (const std::string& c : commands)
    Shell(Quoted(probe::ConverterPath()) + " -hide_banner -loglevel error -nostdin " + c + " </dev/null");
  return SecondsSince(started);
}

void ClearResults(const std::string& folder) {
  Shell("rm -rf " + Quoted(folder + "/result") + " " + Quoted(folder + "/L.json"));
}

double Timed(const std::string& line) {
  const auto started = Clock::now();
  if (Shell(line + " 2>/dev/null") != 0) std::fprintf(stderr, "batch_bench: failed: %s\n", line.c_str());
  return SecondsSince(started);
}

// `flipframe run` of a list of the clips made anew; seconds of the run alone.
double RunList(const std::string& folder, const std::vector<std::string>& clips, int jobs) {
  ClearResults(folder);
  const std::string list = folder + "/L.json";
  Shell(std::string(FLIPFRAME_BINARY) + " convert --save-list " + Quoted(list) + Words(clips) +
        " 2>/dev/null");
  return Timed(std::string(FLIPFRAME_BINARY) + " run --jobs " + std::to_string(jobs) + " " + Quoted(list));
}

// The window's batch runner (its timing: a 300 ms gap between tasks) over the list's tasks.
double RunWindowBatch(const std::string& folder, const std::vector<std::string>& clips) {
  ClearResults(folder);
  const std::string list = folder + "/L.json";
  Shell(std::string(FLIPFRAME_BINARY) + " convert --save-list " + Quoted(list) + Words(clips) +
        " 2>/dev/null");
  const app::LoadedTaskList loaded = app::LoadTaskList(list);
  pipeline::BatchHooks h;
  h.size = [&] { return static_cast<int>(loaded.rows.size()); };
  h.turn = [&](int row) { return pipeline::BatchTurn{false, loaded.rows[size_t(row)].record}; };
  pipeline::BatchRunner runner(std::move(h));
  const auto started = Clock::now();
  runner.Run();
  return SecondsSince(started);
}

}  // namespace

int main(int argc, char** argv) {
  const int tasks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
  const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  char pattern[] = "/tmp/flipframe-batch-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string root = pattern;
  plat::MakeDirs(root + "/program");
  plat::SetProgramFolderForTesting(root + "/program");  // the window's runner ends only our converters
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "batch_bench: %s\n", probe::MissingConverterMessage().c_str());
    return 1;
  }

  const std::string small = root + "/small";
  const std::vector<std::string> clips = MakeClips(small, tasks, 640, 360, seconds);
  RunDirectly({clips[0]});  // warm the caches once
  ClearResults(small);
  const double direct = RunDirectly(clips);
  ClearResults(small);
  const double convert = Timed(std::string(FLIPFRAME_BINARY) + " convert" + Words(clips));
  const double run = RunList(small, clips, 1);
  const double window = RunWindowBatch(small, clips);
  std::printf("%d tasks of 640x360, %d s, to portrait\n", tasks, seconds);
  std::printf("  %-28s %6.2f s  %5.2f s a task\n", "direct, one after another", direct, direct / tasks);
  const auto row = [&](const char* what, double s, const char* target) {
    std::printf("  %-28s %6.2f s  %5.2f s a task  overhead %+5.2f s a task (%s)\n", what, s, s / tasks,
                (s - direct) / tasks, target);
  };
  row("flipframe run", run, "target <= 0.15");
  row("flipframe convert", convert, "target <= 0.15; probes and trials included");
  row("window batch runner", window, "target <= gap 0.30 + 0.30");

  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<int> jobs{1, 2};
  if (cores > 2) jobs.push_back(cores);
  for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
    const std::string folder = root + "/" + std::to_string(h);
    const std::vector<std::string> big = MakeClips(folder, 4, w, h, seconds);
    std::printf("4 tasks of %dx%d, %d s: flipframe run --jobs N\n", w, h, seconds);
    for (int j : jobs) {
      const double s = RunList(folder, big, j);
      std::printf("  --jobs %-2d %6.2f s  %5.1f tasks a minute\n", j, s, 4 * 60 / s);
    }
  }
  Shell("rm -rf " + Quoted(root));
  return 0;
}
