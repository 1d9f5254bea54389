#include "cli/convert_cli.h"

#include <unistd.h>

#include <cstdio>
#include <stop_token>

#include "store/presets.h"
#include "store/task_list_file.h"
#include "batch/progress.h"
#include "batch/task_worker.h"
#include "cli/convert_options.h"
#include "pipeline/make_task.h"
#include "cli/progress_printer.h"
#include "platform/platform.h"

namespace app {
namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitStopped = 130;

void PrintHelp() {
  std::printf(
      "用法：flipframe convert [OPTIONS] FILE...\n\n"
      "把每个 FILE（横屏或竖屏视频）转成另一种布局，与窗口用同样设置“保存任务”再“开始执行”\n"
      "的结果相同。结果写到每个 FILE 旁边的 result/ 文件夹（clip_1.mp4……）。进度和拒绝的原因\n"
      "写到标准错误。\n"
      "加 --save-list 时任务照样制作（并试运行），但加入任务列表文件而不执行，以后由\n"
      "'flipframe run' 或窗口的“载入任务列表…”执行。\n\n"
      "选项：\n%s  --help                  显示本说明\n\n"
      "退出状态：0 全部任务处理完毕（加 --save-list 时：全部文件已加入）；1 有文件被拒绝或有任务\n"
      "失败；2 用法错误，或 LIST.json 不是可读的任务列表；130 被 Ctrl-C（SIGINT）或 SIGTERM\n"
      "停止（加 --save-list 时此时什么也不加入）。\n",
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
  std::fprintf(stderr, "%s：已加入 %zu 个任务\n", list.c_str(), rows.size());
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
    std::fprintf(stderr, "flipframe convert: %s\n用法见 'flipframe convert --help'。\n", request.error.c_str());
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

  const std::array<std::string, 4> filters = EffectFilters();
  pipeline::WorkerTrial trial(false);  // other runs may share the program folder
  pipeline::ProgressPrinter progress(stderr, plat::IsTerminal(STDERR_FILENO));
  int status = kExitOk;
  for (const std::string& file : request.files) {
    if (stopped()) break;
    // A list may be run from another folder (or machine): its tasks hold absolute paths.
    const std::string source = list.empty() ? file : plat::AbsolutePath(file);
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
    const batch::WorkerResult result =
        batch::RunTaskWorker(made.task.commandLine, false, stopSignal.get_token(), report, timing);
    progress.End();
    if (result.ending == batch::WorkerEnding::Stopped) break;
    if (result.ending != batch::WorkerEnding::Completed) status = kExitFailed;
  }
  if (stopped()) return kExitStopped;
  return list.empty() ? status : SaveTasks(list, saved, status);
}

}  // namespace app
