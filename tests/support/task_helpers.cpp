#include "support/task_helpers.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/main_window.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "store/presets.h"
#include "support/media.h"

namespace testing_support {

std::array<std::string, 4> BuiltInEffects() {
  const auto& lines = presets::BuiltInLines();
  return {lines[1], lines[3], lines[5], lines[7]};
}

::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no [" << part << "] in\n" << text;
}

::testing::AssertionResult Lacks(const std::string& text, const std::string& part) {
  if (text.find(part) == std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "[" << part << "] found in\n" << text;
}

::testing::AssertionResult Begins(const std::string& text, const std::string& part) {
  if (text.rfind(part, 0) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "does not begin with [" << part << "]:\n" << text;
}

std::string PortraitCommand(const std::string& clip, const std::string& output, const std::string& to) {
  const std::string in = task::Quote(clip);
  return "-i " + in + " -i " + in + " -to " + to +
         " -filter_complex \"[1:v]boxblur=10,scale=568*2:320*2,crop=180:320[g1];"
         "[0:v]scale=180:-1[v];[g1][v]overlay=0:(H-h)/2\" -preset ultrafast -c:a copy -y " +
         task::Quote(output);
}

std::string PacedCommand(const std::string& clip, const std::string& output) {
  return "-re -stream_loop -1 -i " + task::Quote(clip) + " -to 00:00:30 -vf scale=160:90 -y " +
         task::Quote(output);
}

std::string OversizedCropCommand(const std::string& clip, const std::string& output, const std::string& to) {
  return "-i " + task::Quote(clip) + " -to " + to + " -vf crop=9999:9999 -y " + task::Quote(output);
}

ConverterRun RunConverter(const std::string& argumentText, bool acceptAtProgress, int limitMs) {
  std::vector<std::string> argv = {"-hide_banner"};
  for (auto& w : probe::SplitArguments(argumentText)) argv.push_back(w);
  ConverterRun run;
  plat::Child child = probe::StartConverter(argv);
  if (!child.started()) return run;
  char buf[4096];
  for (int waited = 0; waited < limitMs;) {
    const int n = plat::ReadSome(child.readFd, buf, sizeof buf - 1);
    if (n > 0) {
      run.output.append(buf, size_t(n));
      run.sawProgress = run.output.find("time=") != std::string::npos;
      if (acceptAtProgress && run.sawProgress) break;
      continue;
    }
    if (plat::ChildExited(child.pid, &run.status)) {
      run.exited = true;
      break;
    }
    plat::SleepMs(20);
    waited += 20;
  }
  plat::CloseFd(child.readFd);
  if (!run.exited) plat::ReapChild(child.pid, 0);
  return run;
}

void SetBackground(task::TaskRecord& t, const std::string& path, int kind, int width, int height,
                   const char* fps) {
  t.backgroundPath = task::Quote(path);
  t.backgroundKind = kind, t.backgroundWidth = width, t.backgroundHeight = height;
  t.backgroundDuration = kind == 1 ? "00:00:00.04" : "00:00:01.00";
  t.backgroundFps = fps;
}

task::TaskRecord TurnedTask(const std::string& clip, int width, int height, int seconds) {
  task::TaskRecord t;
  const bool landscape = width > height;
  const int longSide = std::max(width, height),
            suggested = (longSide * longSide / std::min(width, height)) & ~1;
  t.foregroundPath = t.backgroundPath = task::Quote(clip);
  t.foregroundKind = 5;
  t.foregroundWidth = width, t.foregroundHeight = height;
  t.suggestedWidth = landscape ? width : suggested, t.suggestedHeight = landscape ? suggested : height;
  t.outputWidth = height, t.outputHeight = width;
  char length[16];
  std::snprintf(length, sizeof length, "00:%02d:%02d.00", seconds / 60, seconds % 60);
  t.foregroundDuration = t.backgroundDuration = length;
  t.outputDuration = "00:00:02";
  t.foregroundExtension = t.outputFormat = ".mp4";
  t.foregroundFps = "25";
  t.foregroundBitrate = t.bitrate = "120";
  t.ratioIndex = landscape ? 7 : 0;
  t.selectedForegroundCount = 0;
  t.ticks[task::kTickAutoBitrate] = 1;
  return t;
}

task::TaskRecord SmallTurnedTask(bool toPortrait, const std::string& folder) {
  const int w = toPortrait ? 192 : 108, h = toPortrait ? 108 : 192;
  task::TaskRecord t = TurnedTask(CopyInto(VideoWithSound(w, h, 3, 25), folder), w, h, 3);
  t.encoderPreset = "ultrafast";
  return t;
}

std::string ListedClip(int k) { return "/nonexistent/flipframe/clip" + std::to_string(k) + ".mp4"; }

task::TaskRecord ListedTask(int k) {
  task::TaskRecord r;
  r.foregroundPath = r.backgroundPath = task::Quote(ListedClip(k));
  r.outputWidth = 1080, r.outputHeight = 1920;
  r.outputDuration = "00:00:0" + std::to_string(k % 10);
  r.outputFormat = ".mp4";
  r.bitrate = std::to_string(1000 + k);
  r.commandLine = "command " + std::to_string(k);
  r.finalOutputPath = "/nonexistent/flipframe/result/clip" + std::to_string(k) + "_1.mp4";
  return r;
}

// The window's list, through its controller found by object name as tests find controls.
static app::TaskListModel& ListOf(MainWindow& window) {
  return *window.findChild<TaskListController*>(QStringLiteral("TaskListController"))->taskList;
}

void StoreTask(MainWindow& window, const task::TaskRecord& r) { ListOf(window).append(r); }

void StoreListedTasks(MainWindow& window, int n) {
  for (int k = 1; k <= n; ++k) {
    StoreTask(window, ListedTask(k));
    ListOf(window).setSpeed(k - 1, QStringLiteral("1.%1").arg(k));
    ListOf(window).setState(k - 1, QStringLiteral("处理完毕"));
  }
}

QString RowState(const MainWindow& window, int row) { return window.taskList().state(row); }

QString VanishedText(const std::string& quotedPath) {
  return QStringLiteral(" 无法读取") + QString::fromStdString(quotedPath) + QStringLiteral("，请检查");
}

MadeInFolder MakeTaskInOwnFolder() {
  MadeInFolder out;
  out.folder = TempFolder();
  plat::SetProgramFolderForTesting(out.folder);
  const std::string clip = CopyInto(VideoWithSound(320, 180, 3), out.folder);
  pipeline::WorkerTrial trial(false);
  out.made = pipeline::MakeTask(clip, {}, BuiltInEffects(), trial);
  return out;
}

}  // namespace testing_support
