// Encoder presets: one task of a 720p clip (landscape to portrait, background made from the
// clip) converted with the command as it is without a preset and with each x264 preset, run
// directly with the converter one after another. Prints time and output size of each against
// the command without a preset.
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pipeline/make_task.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "store/presets.h"
#include "task/encoder_preset.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs the converter with `words` to its end, reading all it prints; its exit status.
int RunDirectly(const std::vector<std::string>& args) {
  std::vector<std::string> words{"-hide_banner"};
  words.insert(words.end(), args.begin(), args.end());
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

long long FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 6;
  char pattern[] = "/tmp/flipframe-preset-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  plat::MakeDirs(folder + "/program");
  plat::SetProgramFolderForTesting(folder + "/program");
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "preset_bench: %s\n", probe::MissingConverterMessage().c_str());
    return 1;
  }
  const std::string clip = folder + "/clip.mp4";
  const std::string make =
      "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=25:duration=" +
      std::to_string(seconds) + " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
      " -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest \"" + clip + "\"";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "preset_bench: the converter could not make %s\n", clip.c_str());
    return 1;
  }
  // The built-in effects (no effect is ticked here; the filters only complete the record).
  std::array<std::string, 4> filters;
  const presets::PresetTable table = presets::TableFromLines(presets::BuiltInLines());
  for (size_t i = 0; i < filters.size(); ++i) filters[i] = table[i].filter;
  pipeline::WorkerTrial trial(false);
  const pipeline::MadeTask made = pipeline::MakeTask(clip, {}, filters, trial);
  if (!made.ok) {
    std::fprintf(stderr, "preset_bench: %s\n", made.refusal.c_str());
    return 1;
  }

  std::printf("one %d s 1280x720 clip to %dx%d (blurred background from the clip), run directly\n", seconds,
              made.task.outputWidth, made.task.outputHeight);
  std::printf("%-10s %9s %8s %11s %8s\n", "preset", "time s", "x time", "size KiB", "x size");
  double baseTime = 0;
  long long baseSize = 0;
  std::vector<std::string> presets{""};
  for (const char* p : task::kEncoderPresets) presets.emplace_back(p);
  for (const std::string& preset : presets) {
    task::TaskRecord t = made.task;
    t.encoderPreset = preset;
    const std::vector<std::string> words = pipeline::RunWords(t, task::DiskEnvironment(filters));
    const std::string output = words.back();
    const auto start = Clock::now();
    const int status = RunDirectly(words);
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    const long long size = FileSize(output);
    plat::DeleteFile(output);
    if (status != 0 || size <= 0) {
      std::fprintf(stderr, "preset_bench: the task with preset '%s' failed\n", preset.c_str());
      return 1;
    }
    if (preset.empty()) baseTime = s, baseSize = size;
    std::printf("%-10s %9.2f %8.2f %11.0f %8.2f\n", preset.empty() ? "(none)" : preset.c_str(), s,
                s / baseTime, size / 1024.0, double(size) / double(baseSize));
    std::fflush(stdout);
  }
  // The machine is shared: the figures mean little under a high load.
  std::fflush(stdout);
  std::system("printf 'load average (1, 5, 15 min): '; cut -d' ' -f1-3 /proc/loadavg");
  std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}
