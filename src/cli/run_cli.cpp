#include "cli/run_cli.h"

#include <unistd.h>

#include <cstdio>
#include <stop_token>

#include "cli/exit_codes.h"
#include "cli/list_run.h"
#include "cli/progress_printer.h"
#include "cli/run_options.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/task_list_ledger.h"
#include "store/utf8.h"

namespace app {
namespace {

void PrintRunHelp() {
  std::printf(
      "用法：flipframe run [OPTIONS] LIST.json\n\n"
      "像窗口的“开始执行”一样执行任务列表文件（由窗口的“保存任务列表…”或\n"
      "'flipframe convert --save-list' 保存）中未完成的任务：已处理完毕的任务跳过，源文件已不在的\n"
      "任务记为文件缺失。每个任务结束时，它的新状态在锁定下记入 LIST.json 旁的隐藏记录\n"
      "（.LIST.json.journal），最后一个结束的执行把记录写回 LIST.json；磁盘已满时结果先留在内存中，\n"
      "有空间时补写。列表最大 512 MB（约 15 万个任务），只读普通文件。任务在转换程序启动前\n"
      "被认领，所以多个执行（不论是否带 --task，在一台或几台共用列表的机器上）每个任务只转换一次\n"
      "（README 中有配合 GNU parallel 的用法）。进度写到标准错误。\n\n"
      "选项：\n%s\n"
      "退出状态：0 执行的任务全部处理完毕（或没有剩下的任务）；1 有任务失败或源文件缺失；\n"
      "2 用法错误，或 LIST.json 不是可读的任务列表或无法写入（只读、文件夹或磁盘不可写）：这时\n"
      "什么也不转换；130 被 Ctrl-C（SIGINT）、SIGTERM 或 SIGHUP 停止：只结束本次执行的转换程序，\n"
      "删除它的临时文件，任务记为手动停止（下次再执行）。\n",
      pipeline::OptionsHelp(pipeline::RunOptionSpecs()).c_str());
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "flipframe run: %s\n用法见 'flipframe run --help'。\n", message.c_str());
  return kExitUsage;
}

}  // namespace

int RunRunCommand(const std::vector<std::string>& args) {
  const pipeline::RunRequest request = pipeline::ParseRunArguments(args);
  if (request.help) {
    PrintRunHelp();
    return kExitOk;
  }
  if (!request.error.empty()) return Usage(request.error);

  // A relative LIST is taken against the current folder here, once.
  const std::string list = plat::AbsolutePath(request.list);
  // The tasks to run hold their commands only as data: say once when one is not what runs.
  // Compared while the list is read, one task at a time.
  std::vector<pipeline::StoredCommand> compared;
  const std::array<std::string, 4> filters = presets::LocalEffectFilters();
  TaskListLedger ledger(list);
  const QString error = ledger.Open([&](const ListedTask& task) {
    compared.push_back(!request.count && (request.task == 0 || request.task == task.number)
                           ? pipeline::CompareStoredCommand(task.row.record, filters)
                           : pipeline::StoredCommand::Same);
  });
  if (!error.isEmpty()) {
    std::fprintf(stderr, "flipframe run: %s\n", ToUtf8(error).c_str());
    return kExitUsage;
  }
  const int total = ledger.total();
  if (request.count) {
    std::printf("%d\n", total);
    return kExitOk;
  }
  if (request.task > total)
    return Usage("任务列表文件“" + list + "”中没有第" + std::to_string(request.task) + "个任务（共" +
                 std::to_string(total) + "个）");
  if (const std::string notice = pipeline::StoredCommandNotice(list, compared); !notice.empty())
    std::fprintf(stderr, "flipframe run: %s\n", notice.c_str());

  std::stop_source stop;
  plat::CatchStopSignals([stop]() mutable { stop.request_stop(); });
  pipeline::ProgressBoard board(stderr, plat::IsTerminal(STDERR_FILENO));
  const ListRunTally tally =
      RunTaskListFile(ledger, list, request.task, request.jobs, stop.get_token(), board);

  if (!tally.error.isEmpty()) std::fprintf(stderr, "flipframe run: %s\n", ToUtf8(tally.error).c_str());
  if (tally.refused) {
    std::fprintf(stderr, "flipframe run: %s：什么也没有转换\n", list.c_str());
    return kExitUsage;
  }
  if (tally.stopped) return kExitStopped;
  if (tally.finished + tally.failed == 0)
    std::fprintf(stderr, "%s：没有要执行的任务，%d 个任务中 %d 个已处理完毕，%d 个正在别处执行\n",
                 list.c_str(), total, tally.alreadyFinished, tally.busy);
  else
    std::fprintf(stderr, "%s：%d 个处理完毕，%d 个失败，%d 个此前已处理完毕\n", list.c_str(), tally.finished,
                 tally.failed, tally.alreadyFinished);
  return tally.failed != 0 || tally.unwritten != 0 || !tally.error.isEmpty() ? kExitFailed : kExitOk;
}

}  // namespace app
