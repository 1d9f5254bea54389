// One clip made for three targets (9:16 with the blurred background, 1:1, 16:9) by one
// converter run, against the same outputs made by three runs of one target each, all from
// the tasks flipframe itself makes. Prints the wall and processor times and their ratios
// (each repeat paired, then the best of each), the SSIM of each output of the one run against
// its twin of the separate runs, and the load average, since other work on the machine skews
// wall times. Usage: outputs_bench [seconds=15] [repeats=1] [clip]; without a clip a 1920x1080
// test picture is made.
#include <sys/resource.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_media.h"
#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "task/targets.h"
#include "text/shell_quote.h"

namespace {

using Clock = std::chrono::steady_clock;

// The trial is the program's business, not the benchmark's: every command is accepted.
struct AcceptAll : pipeline::TrialRunner {
  std::string RunTrial(const std::string&) override { return ""; }
};

std::string LoadAverage() {
  std::string text;
  plat::ReadFile("/proc/loadavg", &text);
  return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

// Wall and processor seconds (user and system, all threads): the processor time is the
// work done, which other work on the machine hardly changes; the wall time is what it costs.
struct Times {
  double wall = 0, cpu = 0;
  Times& operator+=(const Times& o) {
    wall += o.wall, cpu += o.cpu;
    return *this;
  }
};

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The converter running `words`; wall -1 when it fails.
Times TimeConverter(const std::vector<std::string>& words) {
  std::vector<std::string> argv{probe::ConverterPath(), "-hide_banner", "-loglevel", "error", "-nostdin"};
  argv.insert(argv.end(), words.begin(), words.end());
  const auto start = Clock::now();
  const double cpu = ChildrenCpuSeconds();
  if (std::system(text::ShellLine(argv).c_str()) != 0) return {-1, 0};
  return {std::chrono::duration<double>(Clock::now() - start).count(), ChildrenCpuSeconds() - cpu};
}

// The output files of a command: the word after each "-y".
std::vector<std::string> Outputs(const std::vector<std::string>& words) {
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == "-y") out.push_back(words[i + 1]);
  return out;
}

std::vector<std::string> Words(const std::string& clip, const std::vector<task::PublishTarget>& targets) {
  pipeline::SettingsTemplate settings;
  settings.target = targets.front();
  settings.moreTargets.assign(targets.begin() + 1, targets.end());
  AcceptAll trial;
  const pipeline::MadeTask made = pipeline::MakeTask(clip, settings, {}, trial);
  if (!made.ok) {
    std::fprintf(stderr, "%s: %s\n", clip.c_str(), made.refusal.c_str());
    std::exit(1);
  }
  return probe::SplitArguments(made.task.commandLine);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 15, repeats = argc > 2 ? std::atoi(argv[2]) : 1;
  if (seconds < 1 || seconds > 3599 || repeats < 1) {
    std::fprintf(stderr, "usage: outputs_bench [seconds 1..3599, default 15] [repeats, default 1] [clip]\n");
    return 2;
  }
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "no ffmpeg\n");
    return 1;
  }
  std::string ini;
  plat::ReadFile(std::string(FLIPFRAME_SOURCE_DIR) + "/data/targets.ini", &ini);
  const task::TargetFile file = task::ParseTargets(ini);
  std::vector<task::PublishTarget> targets;
  for (const char* name : {"douyin", "square", "landscape-16x9"})
    if (const task::PublishTarget* t = task::FindTarget(file.targets, name)) targets.push_back(*t);
  if (targets.size() != 3) {
    std::fprintf(stderr, "data/targets.ini lacks douyin, square or landscape-16x9\n");
    return 1;
  }
  char pattern[] = "/tmp/flipframe-outputs-bench-XXXXXX";
  const char* folder = mkdtemp(pattern);
  if (!folder) return 1;
  std::string clip = argc > 3 ? plat::AbsolutePath(argv[3]) : std::string(folder) + "/clip.mp4";
  if (argc <= 3 && !bench::MakeClip(clip, 1920, 1080, seconds, 30)) return 1;

  const std::vector<std::string> several = Words(clip, targets);
  std::vector<std::vector<std::string>> single;
  for (const task::PublishTarget& t : targets) single.push_back(Words(clip, {t}));

  Times bestSeparate{-1, -1}, bestOne{-1, -1};
  const auto keepBest = [](Times& best, const Times& t) {
    best.wall = best.wall < 0 ? t.wall : std::min(best.wall, t.wall);
    best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
  };
  std::vector<std::string> twins;  // the separate runs' outputs, kept apart
  for (int r = 0; r < repeats; ++r) {
    Times separate;
    twins.clear();
    for (const std::vector<std::string>& words : single) {
      const Times s = TimeConverter(words);
      if (s.wall < 0) return 1;
      separate += s;
      twins.push_back(std::string(folder) + "/separate_" + std::to_string(twins.size()) + ".mp4");
      std::rename(words.back().c_str(), twins.back().c_str());
    }
    const Times one = TimeConverter(several);
    if (one.wall < 0) return 1;
    keepBest(bestSeparate, separate);
    keepBest(bestOne, one);
    std::printf(
        "run %d: separate %.2f s (processor %.2f s), one run %.2f s (processor %.2f s), ratio %.3f "
        "(processor %.3f), load average %s\n",
        r + 1, separate.wall, separate.cpu, one.wall, one.cpu, one.wall / separate.wall,
        one.cpu / separate.cpu, LoadAverage().c_str());
    std::fflush(stdout);
  }
  std::printf("three outputs (9:16 blurred, 1:1, 16:9) of a %s clip, best of %d\n",
              argc > 3 ? argv[3] : "1920x1080 30 fps test", repeats);
  std::printf("  three separate runs  %7.2f s (processor %.2f s)\n", bestSeparate.wall, bestSeparate.cpu);
  std::printf("  one run              %7.2f s (processor %.2f s)\n", bestOne.wall, bestOne.cpu);
  std::printf("  ratio                %7.3f (processor %.3f; goal <= 0.75)\n",
              bestOne.wall / bestSeparate.wall, bestOne.cpu / bestSeparate.cpu);
  const std::vector<std::string> outputs = Outputs(several);
  for (size_t k = 0; k < outputs.size() && k < twins.size(); ++k)
    std::printf("  SSIM %-14s %7.4f (goal >= 0.99)\n", targets[k].settings.name.c_str(),
                bench::Ssim(outputs[k], twins[k]));
  std::printf("  one run's command: %s\n", text::ShellLine(several).c_str());
  for (const std::string& made : outputs) plat::DeleteFile(made);
  std::system(("rm -rf " + text::ShellQuote(folder)).c_str());
  return 0;
}
