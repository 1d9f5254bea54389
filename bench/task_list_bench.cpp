// Task list files at the window's limit (1000 tasks) and at the size `flipframe run` is asked
// to handle (50,000 tasks, some 160 MB), with command lines of realistic length.
//
// At 1000: the median times of a save, a load, one recorded outcome and one claim (each the
// one-off kind, reading the list anew) and of one write of the window's session list.
// At both sizes, for a run's ledger: opening the list, the bookkeeping of one task (its claim,
// one renewal and its outcome, as a run does them), and the end of the run (the journal folded
// into the list), and the run's peak memory, measured in a process of its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "store/task_list_ledger.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double MedianMs(int rounds, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    work();
    ms.push_back(Ms(start));
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

app::TaskRow Task(int k) {
  app::TaskRow row;
  task::TaskRecord& r = row.record;
  // About 3.2 KB a task, as lists of real tasks weigh.
  r.foregroundPath = task::Quote("/media/videos/holiday/clip " + std::to_string(k) + ".mp4");
  r.backgroundPath = r.foregroundPath;
  r.outputWidth = 1080, r.outputHeight = 1920;
  r.outputDuration = "00:01:00";
  r.outputFormat = ".mp4";
  r.bitrate = "4000";
  r.commandLine = "-y -i " + r.foregroundPath + " -filter_complex \"" + std::string(700, 'f') + "\" out.mp4";
  r.trialCommand = r.commandLine.substr(0, 300);
  return row;
}

// The list written task by task, as a list of that size never fits the window.
bool WriteList(const std::string& path, int tasks) {
  plat::AtomicFile file;
  if (!file.Open(path)) return false;
  QByteArray text = app::ListHead();
  for (int k = 0; k < tasks; ++k) {
    text += app::ListSeparator(k == 0) + app::TaskText(app::RowToJson(Task(k)));
    if (text.size() > (1 << 20) || k + 1 == tasks) {
      file.Write(std::string_view(text.constData(), size_t(text.size())));
      text.clear();
    }
  }
  file.Write(app::ListTail().toStdString());
  return file.Commit();
}

// A run's bookkeeping on a list of `tasks`, in a process of its own so that its peak memory is
// the run's alone. Prints one line; false when a step failed.
bool MeasureRun(const std::string& list, int tasks, int rounds) {
  const pid_t child = fork();
  if (child == 0) {
    bool ok = true;
    auto start = Clock::now();
    app::TaskListLedger ledger(list);
    const QString opened = ledger.Open();
    ok = opened.isEmpty();
    if (!ok) std::fprintf(stderr, "%s\n", opened.toStdString().c_str());
    const double open = Ms(start);
    std::vector<double> each;
    for (int i = 0; i < rounds && ok; ++i) {
      start = Clock::now();
      const app::ClaimedTask claimed = ledger.Claim(0);
      if (claimed.end != app::ClaimEnd::Claimed)
        std::fprintf(stderr, "%s\n", claimed.error.toStdString().c_str());
      ok = claimed.end == app::ClaimEnd::Claimed && ledger.Renew(claimed.row.id).isEmpty() &&
           ledger.Record(claimed.row.id, {"1.0", "处理完毕", "/media/videos/holiday/result/x_1.mp4"})
               .isEmpty();
      each.push_back(Ms(start));
    }
    if (each.empty()) _exit(1);
    std::sort(each.begin(), each.end());
    start = Clock::now();
    ok = ok && ledger.Close().isEmpty();
    const double close = Ms(start);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "run on %d tasks (%.0f MB): open %.0f ms; per task (claim, renewal, outcome) median %.1f ms, "
        "slowest %.1f ms of %d; end of run (journal folded) %.0f ms; peak memory %.0f MB\n",
        tasks, plat::FileSize(list) / 1e6, open, each[each.size() / 2], each.back(), rounds, close,
        usage.ru_maxrss / 1024.0);
    std::fflush(stdout);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  // An argument other than the default 50,000 sets the large list's size.
  const int large = argc > 1 ? std::atoi(argv[1]) : 50000;
  char pattern[] = "/tmp/flipframe-bench-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) return 1;
  const std::string list = std::string(made) + "/list.json";

  std::vector<app::TaskRow> rows;
  for (int k = 0; k < app::kMaxTasks; ++k) rows.push_back(Task(k));
  bool ok = true;
  const double save = MedianMs(9, [&] { ok = app::SaveTaskList(list, rows).isEmpty() && ok; });
  const double load = MedianMs(9, [&] { ok = app::LoadTaskList(list).rows.size() == rows.size() && ok; });
  int number = 0;
  const double outcome = MedianMs(9, [&] {
    ok = app::RecordTaskOutcome(list, rows[size_t(number++)].id, {"1.0", "处理完毕", "/out/x.mp4"})
             .isEmpty() &&
         ok;
  });
  const double claim = MedianMs(9, [&] { ok = app::ClaimTask(list, 0).end == app::ClaimEnd::Claimed && ok; });
  const std::string session = std::string(made) + "/session.json";
  const double sessionWrite = MedianMs(9, [&] { ok = app::WriteSessionList(session, rows).isEmpty() && ok; });
  std::printf("task list of %d tasks: %.1f MB\n", app::kMaxTasks, plat::FileSize(list) / 1e6);
  std::printf("save %.1f ms, load %.1f ms, one-off outcome %.1f ms, one-off claim %.1f ms (medians of 9)\n",
              save, load, outcome, claim);
  std::printf("session list write %.1f ms (median of 9)\n", sessionWrite);
  std::fflush(stdout);
  rows.clear();

  for (const int tasks : {app::kMaxTasks, large}) {
    ok = WriteList(list, tasks) && ok;
    ok = MeasureRun(list, tasks, 200) && ok;
  }
  std::system(("rm -rf '" + std::string(made) + "'").c_str());
  return ok ? 0 : 1;
}
