#include "cli/convert_cli.h"

#include <unistd.h>

#include <cstdio>
#include <stop_token>

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "cli/convert_options.h"
#include "cli/progress_printer.h"
#include "pipeline/follow_prep.h"
#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/task_list_file.h"

namespace app {
namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitStopped = 130;

void PrintHelp() {
  std::printf(
      "usage: flipframe convert [OPTIONS] FILE...\n\n"
      "Turns each FILE (a landscape or portrait video) into the other layout, as the window's\n"
      "保存任务 and 开始执行 would with the same settings. Results go to result/ beside each\n"
      "FILE (clip_1.mp4, ...). Progress and refusals go to standard error.\n"
      "With --save-list the tasks are made (and tried) the same way but added to a task list\n"
      "file instead, for 'flipframe run' or the window's 载入任务列表… to run later.\n\n"
      "options:\n%s  --help                  this text\n\n"
      "exit status: 0 every task finished (with --save-list: every file added), 1 a file was\n"
      "refused or a task failed, 2 a usage error or a LIST.json that is no readable task list,\n"
      "130 stopped by Ctrl-C (SIGINT) or SIGTERM (with --save-list nothing is added then).\n",
      pipeline::OptionsHelp(pipeline::ConvertOptionSpecs()).c_str());
}

std::array<std::string, 4> EffectFilters() {
  const presets::PresetTable table = presets::LoadPresets(presets::SettingsPath());
  std::array<std::string, 4> filters;
  for (size_t e = 0; e < filters.size(); ++e) filters[e] = table[e].filter;
  return filters;
}

// The tasks go to `list` in one locked append: all of them or, when the list would pass the
// task limit, none.
int SaveTasks(const std::string& list, const std::vector<TaskRow>& rows, int status) {
  if (rows.empty()) return status;
  const QString error = AppendToTaskList(list, rows);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "flipframe convert: %s\n", error.toStdString().c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "%s: %zu task(s) added\n", list.c_str(), rows.size());
  return status;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
  const pipeline::ConvertRequest request = pipeline::ParseConvertArguments(args);
  if (request.help) {
    PrintHelp();
    return kExitOk;
  }
  if (!request.error.empty()) {
    std::fprintf(stderr, "flipframe convert: %s\nTry 'flipframe convert --help'.\n", request.error.c_str());
    return kExitUsage;
  }

  // Ctrl-C or SIGTERM: the running task stops at its next poll, which ends our converter and
  // deletes its temporary file; nothing after it runs.
  std::stop_source stopSignal;
  plat::CatchStopSignals([stopSignal]() mutable { stopSignal.request_stop(); });
  const auto stopped = [&stopSignal] { return stopSignal.stop_requested(); };

  // A list that is there but unreadable is refused before any file is probed.
  const std::string& list = request.saveList;
  if (!list.empty() && plat::FileExists(list)) {
    if (const LoadedTaskList loaded = LoadTaskList(list); !loaded.ok()) {
      std::fprintf(stderr, "flipframe convert: %s\n", loaded.error.toStdString().c_str());
      return kExitUsage;
    }
  }
  std::vector<TaskRow> saved;
  if (request.settings.layout.kind != task::LayoutKind::Blur && !request.settings.background.empty())
    std::fprintf(
        stderr,
        "flipframe convert: note: --layout %s has no background to fill; --background %s is ignored\n",
        task::LayoutText(request.settings.layout).c_str(), request.settings.background.c_str());

  const std::array<std::string, 4> filters = EffectFilters();
  pipeline::WorkerTrial trial(false);  // other runs may share the program folder
  pipeline::ProgressPrinter progress(stderr, plat::IsTerminal(STDERR_FILENO));
  int status = kExitOk;
  for (const std::string& file : request.files) {
    if (stopped()) break;
    // Tasks hold absolute paths: a list may be run from another folder (or machine), and the
    // result folder is made beside the file, which a bare name does not locate.
    const std::string source = plat::AbsolutePath(file);
    const pipeline::MadeTask made = pipeline::MakeTask(source, request.settings, filters, trial);
    if (stopped()) break;
    if (!made.ok) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), made.refusal.c_str());
      status = kExitFailed;
      continue;
    }
    if (!list.empty()) {
      saved.push_back(TaskRow{made.task, {}, {}});
      continue;
    }
    if (request.dryRun) {
      std::printf("%s\n", made.task.commandLine.c_str());
      std::fflush(stdout);
      continue;
    }
    progress.Start(file, batch::TaskDuration(made.task.commandLine));
    batch::WorkerReport report;
    report.output = [&progress](std::string_view chunk) { progress.Output(chunk); };
    report.speed = [&progress](const std::string& s) { progress.Speed(s); };
    report.state = [&progress](const std::string& s) { progress.State(s); };
    batch::WorkerTiming timing;
    timing.endOtherConverters = false;  // other runs may share the program folder
    const pipeline::FollowPrep prep =
        pipeline::PrepareFollow(made.task, stopSignal.get_token(), report.state);
    if (prep.stopped) break;
    if (!prep.ok) {
      progress.State(batch::OutputErrorState(prep.error));
      progress.End();
      status = kExitFailed;
      continue;
    }
    const batch::WorkerResult result =
        batch::RunTaskWorker(made.task.commandLine, false, stopSignal.get_token(), report, timing);
    pipeline::CleanUpFollow(prep);
    progress.End();
    if (result.ending == batch::WorkerEnding::Stopped) break;
    if (result.ending != batch::WorkerEnding::Completed) status = kExitFailed;
  }
  if (stopped()) return kExitStopped;
  return list.empty() ? status : SaveTasks(list, saved, status);
}

}  // namespace app
