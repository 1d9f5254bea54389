#include "cli/run_cli.h"

#include <unistd.h>

#include <cstdio>
#include <stop_token>

#include "cli/list_run.h"
#include "cli/progress_printer.h"
#include "cli/run_options.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/task_list_file.h"

namespace app {
namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitStopped = 130;

void PrintHelp() {
  std::printf(
      "usage: flipframe run [OPTIONS] LIST.json\n\n"
      "Runs the unfinished tasks of a task list file (saved by the window's 保存任务列表… or by\n"
      "'flipframe convert --save-list') as the window's 开始执行 would: tasks already 处理完毕\n"
      "are skipped, a task whose source files are gone becomes 文件缺失. Each task's new state\n"
      "is written back into LIST.json as it ends, under a lock, so several runs may share one\n"
      "list (see 'flipframe run --task' with GNU parallel in the README). Progress goes to\n"
      "standard error.\n\n"
      "options:\n%s  --help     this text\n\n"
      "exit status: 0 every task run finished (or none was left), 1 a task failed or its\n"
      "source was missing, 2 a usage error or a LIST.json that is no readable task list,\n"
      "130 stopped by Ctrl-C (SIGINT) or SIGTERM: only this run's converter is ended, its\n"
      "temporary file deleted, and its task recorded as 手动停止 (it runs again next time).\n",
      pipeline::OptionsHelp(pipeline::RunOptionSpecs()).c_str());
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "flipframe run: %s\nTry 'flipframe run --help'.\n", message.c_str());
  return kExitUsage;
}

}  // namespace

int RunRunCommand(const std::vector<std::string>& args) {
  const pipeline::RunRequest request = pipeline::ParseRunArguments(args);
  if (request.help) {
    PrintHelp();
    return kExitOk;
  }
  if (!request.error.empty()) return Usage(request.error);

  const LoadedTaskList loaded = LoadTaskList(request.list);
  if (!loaded.ok()) {
    std::fprintf(stderr, "flipframe run: %s\n", loaded.error.toStdString().c_str());
    return kExitUsage;
  }
  const int total = static_cast<int>(loaded.rows.size());
  if (request.count) {
    std::printf("%d\n", total);
    return kExitOk;
  }
  if (request.task > total)
    return Usage("there is no task " + std::to_string(request.task) + " in " + request.list + " (" +
                 std::to_string(total) + " tasks)");

  // The tasks to run hold their commands only as data: say once when one is not what runs.
  std::vector<pipeline::StoredCommand> compared;
  const std::array<std::string, 4> filters = presets::LocalEffectFilters();
  for (int k = 0; k < total; ++k)
    compared.push_back(request.task == 0 || request.task == k + 1
                           ? pipeline::CompareStoredCommand(loaded.rows[size_t(k)].record, filters)
                           : pipeline::StoredCommand::Same);
  if (const std::string notice = pipeline::StoredCommandNotice(request.list, compared); !notice.empty())
    std::fprintf(stderr, "flipframe run: %s\n", notice.c_str());

  std::stop_source stop;
  plat::CatchStopSignals([stop]() mutable { stop.request_stop(); });
  pipeline::ProgressPrinter progress(stderr, plat::IsTerminal(STDERR_FILENO));
  const ListRunTally tally = RunTaskListFile(request.list, request.task, stop.get_token(), progress);

  if (!tally.error.isEmpty()) std::fprintf(stderr, "flipframe run: %s\n", tally.error.toStdString().c_str());
  if (tally.stopped) return kExitStopped;
  if (tally.finished + tally.failed == 0)
    std::fprintf(stderr, "%s: nothing to do, %d of %d task(s) already 处理完毕\n", request.list.c_str(),
                 tally.alreadyFinished, total);
  else
    std::fprintf(stderr, "%s: %d finished, %d failed, %d already finished\n", request.list.c_str(),
                 tally.finished, tally.failed, tally.alreadyFinished);
  return tally.failed != 0 || !tally.error.isEmpty() ? kExitFailed : kExitOk;
}

}  // namespace app
