#include "cli/convert_cli.h"

#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>

#include "batch/progress.h"
#include "cli/convert_options.h"
#include "cli/exit_codes.h"
#include "cli/progress_printer.h"
#include "pipeline/batch_runner.h"
#include "pipeline/concurrent.h"
#include "pipeline/make_task.h"
#include "pipeline/preview.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/targets_file.h"
#include "store/task_list_file.h"
#include "store/utf8.h"

namespace app {
namespace {

void PrintConvertHelp() {
  std::printf(
      "用法：flipframe convert [OPTIONS] FILE...\n\n"
      "把每个 FILE（横屏或竖屏视频）转成另一种布局，与窗口用同样设置“保存任务”再“开始执行”\n"
      "的结果相同。结果写到每个 FILE 旁边的 result/ 文件夹（clip_1.mp4……）。进度和拒绝的原因\n"
      "写到标准错误。\n"
      "加 --save-list 时任务照样制作（并试运行），但加入任务列表文件而不执行，以后由\n"
      "'flipframe run' 或窗口的“载入任务列表…”执行。\n\n"
      "选项：\n%s\n"
      "退出状态：0 全部任务处理完毕（加 --save-list 时：全部文件已加入）；1 有文件被拒绝或有任务\n"
      "失败；2 用法错误，或 LIST.json 不是可读的任务列表；130 被 Ctrl-C（SIGINT）、SIGTERM 或\n"
      "SIGHUP 停止（加 --save-list 时此时什么也不加入）。\n",
      pipeline::OptionsHelp(pipeline::ConvertOptionSpecs()).c_str());
}

// --targets: one line per usable target, then the entries left out.
int PrintTargets(const task::TargetFile& file) {
  std::printf("%-16s %-10s %-5s %-8s %-10s %-12s %-8s %s\n", "NAME", "SIZE", "FPS", "VIDEO", "MAX KB/S",
              "AUDIO", "LENGTH", "LABEL");
  for (const task::PublishTarget& t : file.targets) {
    const task::TargetSettings& s = t.settings;
    const auto orNone = [](int v) { return v > 0 ? std::to_string(v) : std::string("-"); };
    std::printf("%-16s %-10s %-5s %-8s %-10s %-12s %-8s %s\n", s.name.c_str(),
                (std::to_string(t.width) + "x" + std::to_string(t.height)).c_str(), orNone(s.maxFps).c_str(),
                s.videoCodec.c_str(), orNone(s.maxVideoKbps).c_str(),
                (s.audioCodec + (s.audioKbps > 0 ? " " + std::to_string(s.audioKbps) + "k" : "")).c_str(),
                t.maxSeconds > 0 ? (std::to_string(t.maxSeconds) + "s").c_str() : "-", t.label.c_str());
  }
  for (const std::string& problem : file.problems)
    std::fprintf(stderr, "flipframe convert: %s\n", problem.c_str());
  return kExitOk;
}

// The tasks go to `list` in one locked append: all of them or, when the list would pass the
// task limit, none.
int SaveTasks(const std::string& list, const std::vector<TaskRow>& rows, int status) {
  if (rows.empty()) return status;
  const QString error = AppendToTaskList(list, rows);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "flipframe convert: %s\n", ToUtf8(error).c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "%s：已加入 %zu 个任务\n", list.c_str(), rows.size());
  return status;
}

// The task of `file`, the `index`-th of the run (its {index}); a clip too long for the target
// is refused with how to choose.
pipeline::MadeTask MakeNumbered(const pipeline::ConvertRequest& request, const std::string& file, int index,
                                const std::array<std::string, 4>& filters, pipeline::TrialRunner& trial) {
  pipeline::SettingsTemplate settings = request.settings;
  settings.index = index;
  pipeline::MadeTask made = pipeline::MakeTask(plat::AbsolutePath(file), settings, filters, trial);
  if (made.step == pipeline::TaskStep::OverLimit)
    made.refusal += "：用 --over-limit cut 截短到上限，或用 --over-limit keep 保留全长";
  return made;
}

// Makes the task of `file` as the window's 保存任务 would; a refusal is reported and fails the run.
struct TaskMaker {
  const pipeline::ConvertRequest& request;
  std::array<std::string, 4> filters = presets::LocalEffectFilters();
  pipeline::WorkerTrial trial{false};  // other runs may share the program folder
  int status = kExitOk;
  pipeline::ProgressBoard* board = nullptr;  // where refusals go while tasks run

  std::optional<task::TaskRecord> Make(const std::string& file, int index) {
    // Messages name the file as it was given; the task holds its absolute path.
    const pipeline::MadeTask made = MakeNumbered(request, file, index, filters, trial);
    if (made.ok) return made.task;
    if (board)
      board->Print(file + ": " + made.refusal);
    else
      std::fprintf(stderr, "%s: %s\n", file.c_str(), made.refusal.c_str());
    status = kExitFailed;
    return std::nullopt;
  }
};

// --preview: the frame of each file's task at the requested time as a PNG file, written
// whole or not at all; nothing is converted.
int WritePreviews(const pipeline::ConvertRequest& request, std::stop_token stop) {
  TaskMaker maker{request};
  for (size_t i = 0; i < request.files.size(); ++i) {
    const std::string& file = request.files[i];
    if (stop.stop_requested()) break;
    const std::optional<task::TaskRecord> made = maker.Make(file, int(i) + 1);
    if (!made || stop.stop_requested()) continue;
    std::string out = request.previewOut;
    if (out.empty()) {
      const std::string source = task::Unquote(made->foregroundPath);
      const std::string name = source.substr(source.rfind('/') + 1);
      const size_t dot = name.rfind('.');
      out =
          plat::FolderOf(source) + "result/" + name.substr(0, dot == 0 ? name.size() : dot) + "_preview.png";
      plat::MakeDirs(plat::FolderOf(out));
    }
    // A follow task's clip is analysed first (once: the result is kept for the batch).
    std::optional<pipeline::ProgressPrinter> analysis;
    const auto analysing = [&](double fraction) {
      if (!analysis) {
        analysis.emplace(stderr, plat::IsTerminal(STDERR_FILENO));
        analysis->Start(file, 0);
      }
      analysis->State(pipeline::AnalysisStateText(fraction));
    };
    const pipeline::PreviewFrame frame =
        pipeline::RenderPreviewFrame(*made, *request.previewSeconds, maker.filters, stop, {}, analysing);
    if (analysis) analysis->End();
    std::string why;
    if (!frame.image) {
      if (stop.stop_requested()) break;
      std::fprintf(stderr, "%s: %s\n", file.c_str(), frame.error.c_str());
      maker.status = kExitFailed;
    } else if (!plat::WriteFileAtomically(out, frame.image->bytes, &why)) {
      std::fprintf(stderr, "%s: %s\n", out.c_str(), why.c_str());
      maker.status = kExitFailed;
    } else {
      std::fprintf(stderr, "%s：%dx%d 的预览画面已写到 %s\n", file.c_str(), frame.image->width,
                   frame.image->height, out.c_str());
    }
  }
  return stop.stop_requested() ? kExitStopped : maker.status;
}

// --dry-run and --save-list: tasks made (and tried), none run. Several files are made at
// once; what each gives is reported, and the tasks kept, in the files' order.
int MakeOnly(const pipeline::ConvertRequest& request, std::stop_token stop) {
  const std::vector<std::string>& files = request.files;
  const std::array<std::string, 4> filters = presets::LocalEffectFilters();
  // Other runs may share the program folder; no trial ends another's converter.
  pipeline::WorkerTrial trial{false};
  std::vector<std::optional<pipeline::MadeTask>> made(files.size());
  std::vector<TaskRow> saved;
  int status = kExitOk;
  std::mutex reporting;
  size_t reported = 0;  // files whose outcome is out, in order

  // Under `reporting`: the outcomes ready at the head of the order.
  const auto report = [&] {
    for (; reported < files.size() && made[reported]; ++reported) {
      const pipeline::MadeTask& m = *made[reported];
      if (!m.ok) {
        std::fprintf(stderr, "%s: %s\n", files[reported].c_str(), m.refusal.c_str());
        status = kExitFailed;
      } else if (request.dryRun) {
        std::printf("%s\n", m.task.commandLine.c_str());
        std::fflush(stdout);
      } else {
        saved.push_back(TaskRow{m.task, {}, {}});
      }
    }
  };
  pipeline::RunConcurrently(static_cast<int>(files.size()), pipeline::TaskMakingWorkers(), [&](int i) {
    if (stop.stop_requested()) return;
    // Messages name the file as it was given; the task holds its absolute path.
    pipeline::MadeTask m = MakeNumbered(request, files[size_t(i)], i + 1, filters, trial);
    std::lock_guard<std::mutex> lock(reporting);
    if (stop.stop_requested()) return;
    made[size_t(i)] = std::move(m);
    report();
  });
  if (stop.stop_requested()) return kExitStopped;
  return request.dryRun ? status : SaveTasks(request.saveList, saved, status);
}

// The files as a batch: each task is made at its turn, then run by the window's batch runner.
// A refused file is passed over like a finished one (its refusal is already reported).
int MakeAndRun(const pipeline::ConvertRequest& request, std::stop_token stop) {
  TaskMaker maker{request};
  pipeline::ProgressBoard board(stderr, plat::IsTerminal(STDERR_FILENO));
  maker.board = &board;
  std::map<int, pipeline::ProgressPrinter> running;  // by row, one line each
  const auto progress = [&](int row) -> pipeline::ProgressPrinter& {
    return running.try_emplace(row, board).first->second;
  };
  const std::vector<std::string>& files = request.files;

  pipeline::BatchHooks h;
  h.size = [&] { return static_cast<int>(files.size()); };
  h.turn = [&](int row) {
    std::optional<task::TaskRecord> made = maker.Make(files[size_t(row)], row + 1);
    // A stop asked for during the trial: nothing more runs.
    if (!made || stop.stop_requested()) return pipeline::BatchTurn{true, {}};
    return pipeline::BatchTurn{false, std::move(*made)};
  };
  h.taskStarting = [&](int row, const task::TaskRecord& record) {
    progress(row).Start(files[size_t(row)], batch::TaskDuration(record.commandLine));
  };
  h.output = [&](int row, std::string_view chunk) { progress(row).Output(chunk); };
  h.speed = [&](int row, const std::string& s) { progress(row).Speed(s); };
  h.state = [&](int row, const std::string& s) {
    if (s == batch::kStateMissing)
      board.Print(files[size_t(row)] + "  " + batch::kStateMissing);
    else
      progress(row).State(s);
  };
  h.ended = [&](int row, pipeline::TurnEnding ending, const batch::WorkerResult&) {
    using pipeline::TurnEnding;
    if (ending == TurnEnding::Completed || ending == TurnEnding::Failed || ending == TurnEnding::Stopped)
      progress(row).End();
    running.erase(row);
    if (ending == TurnEnding::Failed || ending == TurnEnding::Missing) maker.status = kExitFailed;
  };

  h.effectFilters = [&maker] { return maker.filters; };

  pipeline::BatchTiming timing;
  timing.gapMs = 0;
  timing.jobs = request.jobs;
  timing.worker.endOtherConverters = false;  // other runs may share the program folder
  pipeline::BatchRunner runner(std::move(h), timing);
  const pipeline::BatchTally tally = runner.Run(0, -1, stop);
  return tally.stopped || stop.stop_requested() ? kExitStopped : maker.status;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
  pipeline::ConvertRequest request = pipeline::ParseConvertArguments(args);
  if (request.help) {
    PrintConvertHelp();
    return kExitOk;
  }
  if (!request.error.empty()) {
    std::fprintf(stderr, "flipframe convert: %s\n用法见 'flipframe convert --help'。\n",
                 request.error.c_str());
    return kExitUsage;
  }

  if (request.listTargets || !request.targetNames.empty()) {
    const task::TargetFile targets = presets::LocalTargets();
    if (request.listTargets) return PrintTargets(targets);
    for (const std::string& name : request.targetNames) {
      const task::PublishTarget* target = task::FindTarget(targets.targets, name);
      if (!target) {
        std::fprintf(stderr,
                     "flipframe convert: 没有名为“%s”的发布目标（见 'flipframe convert --targets'）。\n",
                     name.c_str());
        return kExitUsage;
      }
      if (!request.settings.target)
        request.settings.target = *target;
      else
        request.settings.moreTargets.push_back(*target);
    }
  }

  // Ctrl-C or SIGTERM: the running task stops at its next poll, which ends our converter and
  // deletes its temporary file; nothing after it runs.
  std::stop_source stopSignal;
  plat::CatchStopSignals([stopSignal]() mutable { stopSignal.request_stop(); });

  // Relative paths are made absolute here, once: the output goes to result/ beside each
  // file, the rename wants an absolute target, and a list may be run from anywhere.
  request.saveList = plat::AbsolutePath(request.saveList);
  request.previewOut = plat::AbsolutePath(request.previewOut);
  for (std::string* path : {&request.settings.background, &request.settings.animation,
                            &request.settings.music, &request.settings.logo.path})
    *path = plat::AbsolutePath(*path);
  // A list that is there but unreadable is refused before any file is probed.
  const std::string& list = request.saveList;
  if (!list.empty() && plat::FileExists(list)) {
    if (const LoadedTaskList loaded = LoadTaskList(list); !loaded.ok()) {
      std::fprintf(stderr, "flipframe convert: %s\n", ToUtf8(loaded.error).c_str());
      return kExitUsage;
    }
  }
  if (request.settings.layout.kind != task::LayoutKind::Blur && !request.settings.background.empty())
    std::fprintf(stderr, "flipframe convert: 注意：--layout %s 没有要填的背景，--background %s 不起作用\n",
                 task::LayoutText(request.settings.layout).c_str(), request.settings.background.c_str());
  if (request.previewSeconds) return WritePreviews(request, stopSignal.get_token());
  if (request.dryRun || !list.empty()) return MakeOnly(request, stopSignal.get_token());
  return MakeAndRun(request, stopSignal.get_token());
}

}  // namespace app
