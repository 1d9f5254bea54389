// Task list files at the task limit: 1000 tasks with command lines of realistic length.
// Prints the file size and the median times of a save, a load and one recorded outcome (the
// locked read-modify-write each `run --task` does when its task ends), and of one write of the
// window's session list (what each change of the window's list costs it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/session_list.h"
#include "store/task_list_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMs(int rounds, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main() {
  char pattern[] = "/tmp/flipframe-bench-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) return 1;
  const std::string list = std::string(made) + "/list.json";

  std::vector<app::TaskRow> rows(app::kMaxTasks);
  for (size_t k = 0; k < rows.size(); ++k) {
    task::TaskRecord& r = rows[k].record;
    r.foregroundPath = task::Quote("/media/videos/holiday/clip " + std::to_string(k) + ".mp4");
    r.backgroundPath = r.foregroundPath;
    r.commandLine =
        "-y -i " + r.foregroundPath + " -filter_complex \"" + std::string(1200, 'f') + "\" out.mp4";
    r.trialCommand = r.commandLine.substr(0, 600);
  }

  bool ok = true;
  const double save = MedianMs(9, [&] { ok = app::SaveTaskList(list, rows).isEmpty() && ok; });
  const double load = MedianMs(9, [&] { ok = app::LoadTaskList(list).rows.size() == rows.size() && ok; });
  int number = 0;
  const double outcome = MedianMs(9, [&] {
    ok = app::RecordTaskOutcome(list, rows[size_t(number++)].id, {"1.0", "处理完毕", "/out/x.mp4"})
             .isEmpty() &&
         ok;
  });
  // A claim is the same locked rewrite; a plain run's claim also passes over finished tasks.
  const double claim = MedianMs(9, [&] { ok = app::ClaimTask(list, 0).end == app::ClaimEnd::Claimed && ok; });
  const std::string session = std::string(made) + "/session.json";
  const double sessionWrite = MedianMs(9, [&] { ok = app::WriteSessionList(session, rows).isEmpty() && ok; });
  std::printf("task list of %d tasks: %.1f MB\n", app::kMaxTasks, plat::FileSize(list) / 1e6);
  std::printf("save %.1f ms, load %.1f ms, one recorded outcome %.1f ms, one claim %.1f ms (medians of 9)\n",
              save, load, outcome, claim);
  std::printf("session list write %.1f ms (median of 9)\n", sessionWrite);
  std::system(("rm -rf '" + std::string(made) + "'").c_str());
  return ok ? 0 : 1;
}
