#pragma once
// Shared set-up of the task, batch and task-list tests: the built-in effect filters, argument
// texts in the builder's form for small generated clips, task records as the probes and the
// window fill them, rows stored into a window as an add leaves them, and text checks that
// show the whole text when they fail.
#include <gtest/gtest.h>

#include <QString>
#include <array>
#include <string>

#include "pipeline/make_task.h"
#include "task/task_record.h"

class MainWindow;

namespace testing_support {

// The filter texts of the four built-in effects, in the builder's order.
std::array<std::string, 4> BuiltInEffects();

// `text` holds `part` (Has), does not (Lacks), begins with it (Begins).
::testing::AssertionResult Has(const std::string& text, const std::string& part);
::testing::AssertionResult Lacks(const std::string& text, const std::string& part);
::testing::AssertionResult Begins(const std::string& text, const std::string& part);

// Argument texts for a 320x180 clip, writing the quoted `output` last.
// The builder's landscape-to-portrait form: background blurred from the clip, sound copied.
std::string PortraitCommand(const std::string& clip, const std::string& output,
                            const std::string& to = "00:00:02");
// Paced by -re and looped: still running long after its first progress line.
std::string PacedCommand(const std::string& clip, const std::string& output);
// A crop larger than the frame: refused with "Invalid too big or non positive size".
std::string OversizedCropCommand(const std::string& clip, const std::string& output,
                                 const std::string& to = "00:00:02");

// Runs the converter (with "-hide_banner") on the split argument text, draining its output.
// With `acceptAtProgress` the run ends at the first progress line (the trial rule), otherwise
// at the converter's end; `limitMs` only guards against a hang. The converter is not left
// running.
struct ConverterRun {
  bool exited = false;
  int status = -1;
  bool sawProgress = false;
  std::string output;
};
ConverterRun RunConverter(const std::string& argumentText, bool acceptAtProgress, int limitMs);

// The record the probes and the window make for a width x height clip with sound (25 fps,
// `seconds` long, bitrate 120): a landscape clip turned portrait (9:16), a portrait one
// landscape (16:9), output size the clip's size turned, two seconds, .mp4, automatic bitrate.
task::TaskRecord TurnedTask(const std::string& clip, int width, int height, int seconds);
// TurnedTask for a small clip (192x108, or 108x192 when not `toPortrait`, 3 s, with sound)
// copied into `folder`, encoded with x264's ultrafast: for tests of the filter graphs, where
// the encoder's work is only cost.
task::TaskRecord SmallTurnedTask(bool toPortrait, const std::string& folder);
// A fresh folder that is also the program folder, and the task 保存任务 makes (probe, trial)
// for a 320x180 clip of 3 s with sound copied into it.
struct MadeInFolder {
  std::string folder;
  pipeline::MadeTask made;
};
MadeInFolder MakeTaskInOwnFolder();
// Gives `t` the probed background `path` (a still picture, kind 1, lasts one frame).
void SetBackground(task::TaskRecord& t, const std::string& path, int kind, int width, int height,
                   const char* fps);

// Task k of the list tests: /nonexistent/flipframe/clipK.mp4 to 1080x1920, bitrate 1000+k,
// command "command K", finished earlier into result/clipK_1.mp4.
std::string ListedClip(int k);
task::TaskRecord ListedTask(int k);
// Appends `r` to the window's list as an add leaves it: row cells, number, record beside it.
void StoreTask(MainWindow& window, const task::TaskRecord& r);
// ListedTask 1..n stored, each with speed "1.K" and state "处理完毕".
void StoreListedTasks(MainWindow& window, int n);
// Text of a row's state column ("" when it has none).
QString RowState(const MainWindow& window, int row);
// What a path box shows for a file that has gone.
QString VanishedText(const std::string& quotedPath);

}  // namespace testing_support
