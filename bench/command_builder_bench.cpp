// How long one command build takes on the window's thread: a task with a background video,
// an animation, three sound tracks, every effect and four copies, built against the real
// file system (existence tests and the output folder), in full and trial mode.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "task/command_builder.h"

int main() {
  char pattern[] = "/tmp/flipframe-bench-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) return 1;
  const std::string dir = made;
  for (const char* name : {"/fg.mp4", "/bg.mp4", "/anim.gif", "/song.m4a"}) {
    std::string path = dir + name;
    if (FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
  }

  task::TaskRecord base;
  base.foregroundPath = task::Quote(dir + "/fg.mp4");
  base.backgroundPath = task::Quote(dir + "/bg.mp4");
  base.animationPath = task::Quote(dir + "/anim.gif");
  base.audioPath = task::Quote(dir + "/song.m4a");
  base.foregroundWidth = 1080, base.foregroundHeight = 1920;
  base.backgroundWidth = 1280, base.backgroundHeight = 720, base.backgroundKind = 5;
  base.outputWidth = 1920, base.outputHeight = 1080;
  base.outputDuration = "00:01:00";
  base.backgroundDuration = base.animationDuration = base.audioDuration = "00:00:10.00";
  base.foregroundFps = "30", base.backgroundFps = "25", base.animationFps = "10";
  base.outputFormat = ".mp4";
  base.ratioIndex = 0;
  base.selectedForegroundCount = 3;
  for (int k = task::kTickForegroundSound; k < task::kTickCount; ++k) base.ticks[size_t(k)] = 1;
  base.ticks[task::kTickMute] = 0;
  const task::BuildEnvironment env =
      task::DiskEnvironment({"crop=iw/1.2:ih/1.2", "crop=iw/1.3:ih/1.3", "hue=H=2*PI*t", "geq=r='r(X,Y)'"});

  const int runs = 20000;
  size_t bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) {
    task::TaskRecord t = base;
    bytes += task::BuildCommand(t, i % 2 ? task::BuildMode::Trial : task::BuildMode::Full, env).text.size();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("command builder: %d builds, %.1f us per build, %.0f bytes per command\n", runs,
              seconds * 1e6 / runs, double(bytes) / runs);
  std::system(("rm -rf '" + dir + "'").c_str());
  return 0;
}
