#pragma once
// The task worker: runs the converter once for one task (or for a trial of a task about to
// be stored), follows its output as it comes and decides how the task ended. It touches
// no widget: the texts for the task's row go out through callbacks, which the window posts
// to its own thread.
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "batch/process_control.h"

namespace batch {

// Row texts of a running task.
inline constexpr const char* kStatePreparing = "准备数据";
inline constexpr const char* kStateFinished = "处理完毕";
// Finished, but a source file changed since the task was made (still being copied or
// recorded): the output is kept and the task counts as finished.
inline constexpr const char* kStateSourceChanged = "处理完毕(源文件已改变)";
inline constexpr const char* kStateStopped = "手动停止";
inline constexpr const char* kStateMissing = "文件缺失";
inline constexpr const char* kPercentSign = "％";

// "输出错误(" + the failure translation of `errorText` on one line + ")".
std::string OutputErrorState(std::string_view errorText);

// What one chunk of output means for the task's row.
struct ChunkVerdict {
  bool repeated = false;             // the previous progress chunk again: ignored
  bool errors = false;               // the chunk completed lines the converter marks as errors
  bool progress = false;             // the chunk holds a progress line
  std::optional<std::string> speed;  // new text for 速度x
  std::optional<std::string> state;  // new text for 执行状态
};

// Follows a task's output chunk by chunk: the repeated-chunk skip, the progress time, the
// speed and percentage texts, the lines the converter marks as errors (level tags, see
// probe/log_levels.h) and the tail of the output for a failure without such lines.
class OutputFollower {
 public:
  explicit OutputFollower(int taskDuration) : duration_(taskDuration) {}
  // `bytes` as read from the pipe (at most 4095); the chunk ends at the first zero byte.
  ChunkVerdict Examine(std::string_view bytes);
  double progressSeconds() const { return progressSeconds_; }
  // The last few kilobytes of everything read, repeated chunks included.
  const std::string& tail() const { return tail_; }
  // The converter's error lines so far (tags left out, each once, the first few), "" when
  // none; a line cut by a read counts once it is whole.
  const std::string& errors() const { return errors_; }

 private:
  int duration_;
  std::vector<std::string> errorLines_;
  std::string errors_;       // errorLines_ joined
  std::string partialLine_;  // the end of the last chunk after its last line break
  double progressSeconds_ = 0;
  std::string previous_;  // the last chunk that held a progress line
  bool hasPrevious_ = false;
  std::string tail_;
};

struct WorkerReport {
  std::function<void(const std::string&)> speed;  // column 速度x of the task's row
  std::function<void(const std::string&)> state;  // column 执行状态 of the task's row
  // Every chunk of converter output as read, on the worker's thread (for the task's log and
  // its progress clock); nothing when unset.
  std::function<void(std::string_view)> output;
};

enum class WorkerEnding {
  Completed,  // output renamed to its final name
  Failed,     // the converter failed (its exit status says so) or the output is no result
  Stopped,    // stop request
  Accepted,   // trial: the converter accepts the command
  Refused,    // trial: it does not (it ended with a failure)
};

struct WorkerResult {
  WorkerEnding ending = WorkerEnding::Failed;
  // The converter's own error lines (or our reason), "" when none; the row shows the first.
  std::string errorText;
  std::string finalOutputPath;  // set when Completed
};

struct WorkerTiming {
  // The longest wait for news from the converter: its output and its end are seen as they
  // come, and a suspended or silent one is looked at once a cycle.
  int pollMs = 1000;
  int trialLimitMs = 30000;  // a trial that shows neither progress nor an end fails
  // The check of a finished output may take this long (a loaded machine, a network disk);
  // a check that runs out of time is no verdict and the output is kept.
  int checkLimitMs = 60000;
  // A stop and the end of a trial also end every other converter of this program folder, as
  // the window does; the command line, which may share the folder with other runs, ends only
  // its own.
  bool endOtherConverters = true;
};

// Runs `arguments` (the stored argument text, split like the command interpreter) with
// "-hide_banner" as one task, or as a trial when `trial` is set. A request on `stop` (tasks
// only) ends the task at once. Every converter this starts is ended, and its temporary output
// deleted, unless the task completed.
//
// The converter writes to a temporary file of this run's own (the stored "_tmp" name with a
// random tag, created before the converter starts, which also shows a folder that cannot be
// written), and the final name is taken when the task completes: the first free "_N",
// atomically, so that runs in parallel never share a file.
WorkerResult RunTaskWorker(const std::string& arguments, bool trial, std::stop_token stop,
                           const WorkerReport& report, const WorkerTiming& timing = {});
// The same for arguments already split into words (a stored task's, pipeline::RunWords): the
// last word is the temporary output.
WorkerResult RunTaskWorker(const std::vector<std::string>& words, bool trial, std::stop_token stop,
                           const WorkerReport& report, const WorkerTiming& timing = {});

// What the converter is started with for a task's `words`: "-hide_banner", the level tags
// its output is judged by (probe/log_levels.h), then the words.
std::vector<std::string> ConverterArguments(std::vector<std::string> words);

// Workers between a converter's successful end and the rename of its output (the output
// check and the rename).
int CompletionsUnderWay();
// Lets every completion under way end before the program does, waiting through `wait` for
// `limitMs` at most; a finished output is never left under its temporary name.
void WaitForCompletions(const WaitFn& wait, int limitMs = 5000);

// True for the temporary output name the builder gives a task ("_tmp" in an absolute file
// name); only such a file is ever deleted by the worker.
bool IsTemporaryOutput(const std::string& path);

// `words` (a task's converter words, the stored temporary output last) writing to `fresh`
// instead of `stored`; unchanged when their last word is not `stored`.
std::vector<std::string> WithOutput(std::vector<std::string> words, const std::string& stored,
                                    const std::string& fresh);

}  // namespace batch
