#include "app/convert_cli.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "app/presets.h"
#include "batch/task_worker.h"
#include "pipeline/convert_options.h"
#include "pipeline/make_task.h"
#include "pipeline/progress_printer.h"
#include "platform/platform.h"

namespace app {
namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitStopped = 130;

void PrintHelp() {
  std::printf(
      "usage: flipframe convert [OPTIONS] FILE...\n\n"
      "Turns each FILE (a landscape or portrait video) into the other layout, as the window's\n"
      "保存任务 and 开始执行 would with the same settings. Results go to result/ beside each\n"
      "FILE (clip_1.mp4, ...). Progress and refusals go to standard error.\n\n"
      "options:\n%s  --help                  this text\n\n"
      "exit status: 0 every task finished, 1 a file was refused or a task failed,\n"
      "2 a usage error, 130 stopped by Ctrl-C (SIGINT) or SIGTERM.\n",
      pipeline::OptionsHelp(pipeline::ConvertOptionSpecs()).c_str());
}

std::array<std::string, 4> EffectFilters() {
  const presets::PresetTable table = presets::LoadPresets(presets::SettingsPath());
  std::array<std::string, 4> filters;
  for (size_t e = 0; e < filters.size(); ++e) filters[e] = table[e].filter;
  return filters;
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
  static std::atomic<int> stopSignal{0};
  plat::CatchStopSignals(&stopSignal);

  const std::array<std::string, 4> filters = EffectFilters();
  pipeline::WorkerTrial trial;
  pipeline::ProgressPrinter progress(stderr, plat::IsTerminal(STDERR_FILENO));
  int status = kExitOk;
  for (const std::string& file : request.files) {
    if (stopSignal) break;
    const pipeline::MadeTask made = pipeline::MakeTask(file, request.settings, filters, trial);
    if (stopSignal) break;
    if (!made.ok) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), made.refusal.c_str());
      status = kExitFailed;
      continue;
    }
    if (request.dryRun) {
      std::printf("%s\n", made.task.commandLine.c_str());
      std::fflush(stdout);
      continue;
    }
    progress.Start(file);
    batch::WorkerReport report;
    report.speed = [&progress](const std::string& s) { progress.Speed(s); };
    report.state = [&progress](const std::string& s) { progress.State(s); };
    const batch::WorkerResult result = batch::RunTaskWorker(made.task.commandLine, false, stopSignal, report);
    progress.End();
    if (result.ending == batch::WorkerEnding::Stopped) break;
    if (result.ending != batch::WorkerEnding::Completed) status = kExitFailed;
  }
  return stopSignal ? kExitStopped : status;
}

}  // namespace app
