#include "batch/task_worker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "batch/process_control.h"
#include "batch/progress.h"
#include "platform/crash_handler.h"
#include "platform/platform.h"
#include "probe/capture.h"
#include "probe/converter.h"
#include "probe/log_levels.h"
#include "probe/probe_file.h"
#include "probe/sound_decode.h"
#include "task/output_name.h"
#include "text/numbers.h"
#include "text/shell_quote.h"

namespace batch {
namespace {

constexpr size_t kTailBytes = 8192;
constexpr size_t kMostErrorLines = 8;
// Written into a fresh temporary output and taken out again: a full disk shows before the
// converter starts.
constexpr size_t kSpaceTestBytes = 4096;
constexpr double kDurationTolerance = 0.5;  // seconds between the output and the task
constexpr double kSoundShortfall = 1.0;     // seconds of sound an output may lack at least

// Completions under way in this process (see WaitForCompletions).
std::atomic<int> g_completions{0};

struct CompletionMark {
  CompletionMark() { ++g_completions; }
  ~CompletionMark() { --g_completions; }
  CompletionMark(const CompletionMark&) = delete;
  CompletionMark& operator=(const CompletionMark&) = delete;
};
constexpr int kReadBytes = 4095;
// A converter that has closed its output is given this long between looks at its exit.
constexpr int kExitSettleMs = 2;

std::string_view UpToZero(std::string_view bytes) {
  const size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

// A final name we may rename to: an absolute path with a file name.
bool IsValidTarget(const std::string& path) {
  return !path.empty() && path.front() == '/' && path.back() != '/';
}

void PlainSleep(int ms) { plat::SleepMs(ms); }

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The words copy the sound unchanged ("-c:a copy").
bool CopiesSound(const std::vector<std::string>& words) {
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == "-c:a" && words[i + 1] == "copy") return true;
  return false;
}

// The task's first input file: the word after the first "-i".
std::string FirstInput(const std::vector<std::string>& words) {
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == "-i") return words[i + 1];
  return {};
}

// Where the words name an output file: a temporary output after a "-y" before the end, and
// the last word, as the builder writes a task of one output or several.
std::vector<size_t> OutputWordsAt(const std::vector<std::string>& words) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 2 < words.size(); ++i)
    if (words[i] == "-y" && IsTemporaryOutput(words[i + 1])) at.push_back(i + 1);
  if (!words.empty()) at.push_back(words.size() - 1);
  return at;
}

// An output of the run: the name the task gives it and the file the converter writes.
struct Output {
  std::string stored, written;
};

// One run of the converter, from its start to the ending that decides the task.
class Run {
 public:
  // `lastOutput` is the task's last output, its last word as the builder writes it.
  Run(const std::vector<std::string>& words, const std::string& lastOutput, bool trial, std::stop_token stop,
      const WorkerReport& report, const WorkerTiming& timing)
      : words_(words),
        lastOutput_(lastOutput),
        trial_(trial),
        stop_(std::move(stop)),
        report_(report),
        timing_(timing),
        follower_(TaskDuration(words)) {}

  ~Run() {
    if (activity_) crash::EndActivity(activity_);
    EndConverter();
    plat::CloseFd(child_.readFd);
  }

  WorkerResult Go() {
    std::vector<std::string> words = words_;
    const std::string firstInput = FirstInput(words);
    // Each temporary output the builder names becomes a fresh file of this run's own.
    for (size_t at : OutputWordsAt(words)) {
      const bool last = at + 1 == words.size();
      Output& out =
          outputs_.emplace_back(Output{last ? lastOutput_ : words[at], last ? lastOutput_ : words[at]});
      if (!IsTemporaryOutput(out.stored) || words[at] != out.stored) continue;
      const std::string extension = plat::ExtensionOf(out.stored);
      std::string why;
      out.written = plat::CreateFreshFile(out.stored.substr(0, out.stored.size() - extension.size()),
                                          extension, kSpaceTestBytes, &why);
      if (out.written.empty()) {
        exited_ = true;
        const std::string text = "无法在 " + plat::FolderOf(out.stored) + " 写入输出文件：" + why;
        return trial_ ? Refuse(text) : Fail(text);
      }
      words[at] = out.written;
    }
    const std::vector<std::string> args = ConverterArguments(std::move(words));
    child_ = probe::StartConverter(args);
    if (!child_.started()) {
      exited_ = true;
      const std::string& converter = probe::ConverterPath();
      const std::string why =
          converter.empty() ? probe::MissingConverterMessage() : "无法启动转换程序 " + converter;
      return trial_ ? Refuse(why) : Fail(why);
    }
    // A crash report names the task that was running.
    activity_ = crash::BeginActivity((trial_ ? "试运行 " : "转换 ") + firstInput,
                                     probe::ConverterPath() + " " + text::ShellLine(args));
    const auto started = std::chrono::steady_clock::now();
    // A stop request ends the wait for news at once.
    const std::stop_callback wakeOnStop(stop_, [this] { wakeup_.Raise(); });
    for (;;) {
      if (!trial_ && stop_.stop_requested()) return Stop();
      // Exit test before the read: once the converter has ended, what the pipe still holds
      // is all it will ever print.
      if (!exited_) exited_ = plat::ChildExited(child_.pid, &status_);
      bool gotData = false;
      if (auto ending = Drain(&gotData)) return *ending;
      if (!gotData && exited_) return FinishByExit();
      if (trial_) {
        const auto waited = std::chrono::steady_clock::now() - started;
        if (waited >= std::chrono::milliseconds(timing_.trialLimitMs)) return Refuse(TrialTimeoutText());
      }
      if (!gotData) WaitForNews();
    }
  }

 private:
  // Waits until the converter prints, closes its output or a stop comes, one cycle at most
  // (a suspended converter prints nothing for as long as it is paused).
  void WaitForNews() {
    const plat::PipeWait woke = plat::WaitForData(child_.readFd, &wakeup_, timing_.pollMs);
    // Its output closed and nothing left to read: the converter is ending; its exit status
    // follows within moments.
    if (woke == plat::PipeWait::Ready && plat::BytesWaiting(child_.readFd) <= 0) plat::SleepMs(kExitSettleMs);
  }

  // Reads everything waiting, in reads of at most kReadBytes, each judged as a chunk of its
  // own, so that a converter writing fast never blocks on a full pipe. A converter that never
  // pauses is read for one cycle's time at most. The row gets the newest texts once.
  std::optional<WorkerResult> Drain(bool* gotData) {
    const auto started = std::chrono::steady_clock::now();
    std::optional<std::string> speed, state;
    while (probe::WaitingBurst(child_.readFd) > 0) {
      char buffer[kReadBytes + 1] = {};
      const int n = plat::ReadSome(child_.readFd, buffer, kReadBytes);
      if (n <= 0) break;
      *gotData = true;
      if (report_.output) report_.output(std::string_view(buffer, size_t(n)));
      const ChunkVerdict v = follower_.Examine(std::string_view(buffer, size_t(n)));
      if (v.progress && !trial_) crash::TestPoint();  // tests: a crash while a task converts
      if (auto ending = Judge(v)) return ending;
      if (!v.repeated && v.speed) speed = v.speed;
      if (!v.repeated && v.state) state = v.state;
      if (std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(timing_.pollMs)) break;
    }
    if (speed && report_.speed) report_.speed(*speed);
    if (state && report_.state) report_.state(*state);
    return std::nullopt;
  }

  // An ending for the chunk, if it decides one. A task's ending is its exit status; only a
  // trial that shows progress before any error line is accepted at once (its converter would
  // go on to the end of its first moment of output, which says nothing more).
  std::optional<WorkerResult> Judge(const ChunkVerdict& v) {
    if (v.repeated || !trial_) return std::nullopt;
    if (v.progress && follower_.errors().empty()) return Accept();
    return std::nullopt;
  }

  // The converter has ended and all its output is read: its exit status decides, and a
  // failure is told in its own error lines.
  WorkerResult FinishByExit() {
    if (trial_) return status_ == 0 ? Accept() : Refuse(FailureText());
    return status_ == 0 ? Complete() : Fail(FailureText());
  }

  // The converter's error lines; without any, what it said last, e.g. "x.mp4: No such file or
  // directory" from a converter that tags no levels.
  std::string FailureText() const {
    if (!follower_.errors().empty()) return follower_.errors();
    const std::string line = LastNonBlankLine(follower_.tail());
    if (!line.empty() && ProgressPosition(" " + line) == -1)
      return std::string(probe::ReadLogLine(line).message);
    return "转换程序异常结束(退出码 " + std::to_string(status_) + ")";
  }

  std::string TrialTimeoutText() const {
    return "试运行在 " + std::to_string(timing_.trialLimitMs / 1000) +
           " 秒内没有结束，无法确认转换程序是否接受这个任务。";
  }

  void EndConverter() {
    if (exited_ || !child_.started()) return;
    plat::KillProcess(child_.pid);
    plat::ReapChild(child_.pid, 2000);
    exited_ = true;
  }

  void DeleteTemporary() {
    for (const Output& out : outputs_)
      if (IsTemporaryOutput(out.written)) plat::DeleteFile(out.written);
  }

  WorkerResult Fail(const std::string& why) {
    EndConverter();
    DeleteTemporary();
    if (report_.state) report_.state(OutputErrorState(FirstLine(why)));
    return {WorkerEnding::Failed, why, {}};
  }

  WorkerResult Stop() {
    EndConverter();
    if (timing_.endOtherConverters) CleanupStrayConverters(PlainSleep);
    DeleteTemporary();
    if (report_.state) report_.state(kStateStopped);
    return {WorkerEnding::Stopped, {}, {}};
  }

  WorkerResult Accept() {
    EndConverter();
    if (timing_.endOtherConverters) CleanupStrayConverters(PlainSleep);
    DeleteTemporary();
    return {WorkerEnding::Accepted, {}, {}};
  }

  WorkerResult Refuse(const std::string& why) {
    EndConverter();
    if (timing_.endOtherConverters) CleanupStrayConverters(PlainSleep);
    DeleteTemporary();
    return {WorkerEnding::Refused, why, {}};
  }

  // Why the temporary output is no result, "" when it is one or when that cannot be told.
  // Only evidence deletes a file: the converter reported a write failure (it may still exit
  // with 0, e.g. on a full disk), or, when its own last progress line does not show the
  // task's length, the file is no media the converter can open or reads back with a length
  // other than the task's. A check that found no verdict in time (a slow
  // disk, a loaded machine) keeps the output.
  // Several outputs are each read back: the progress line is the run's, not each file's.
  std::string OutputProblem(const std::string& written) const {
    if (std::string line = WriteFailureLine(follower_.tail()); !line.empty())
      return std::string(probe::ReadLogLine(line).message);
    // No file at all: the rename below fails and gives the system's reason.
    if (!plat::FileExists(written)) return {};
    const double expected = OutputDurationSeconds(words_);
    if (std::string why = CopiedSoundProblem(written, expected); !why.empty()) return why;
    // The converter's own last progress line, at the task's length, already says it wrote the
    // whole output: no second converter start (a tenth of a second and more) is needed.
    const double reported = follower_.progressSeconds();
    if (outputs_.size() == 1 && expected >= 0 && reported > 0 &&
        std::fabs(reported - expected) <= kDurationTolerance && plat::FileSize(written) > 0)
      return {};
    const probe::ProbeOutcome probed = probe::ProbeFile(written, timing_.checkLimitMs);
    if (probed.status == probe::ProbeStatus::Failed)
      return "输出文件无法读取" + (probed.failureLine.empty() ? std::string() : "：" + probed.failureLine);
    if (probed.status != probe::ProbeStatus::Parsed) return {};
    const double got = ClockSeconds(probed.info.duration);
    if (expected < 0 || got < 0) return {};
    if (std::fabs(got - expected) > kDurationTolerance)
      return "输出文件时长 " + probed.info.duration + " 与任务时长不符";
    return {};
  }

  // A sound track copied unchanged may land in a container that stores it whole yet plays
  // only part of it: decoded, it must reach about the task's length, or decode cleanly.
  std::string CopiedSoundProblem(const std::string& written, double expected) const {
    if (!CopiesSound(words_) || expected <= 0) return {};
    const probe::SoundDecode sound = probe::DecodeSound(written, timing_.checkLimitMs);
    if (!sound.decoded || !sound.hasSound || sound.errors.empty() || sound.seconds < 0) return {};
    if (sound.seconds >= expected - std::max(kSoundShortfall, expected / 10)) return {};
    return "输出文件的声音只能播放 " + text::FormatG13(text::RoundHalfAway(sound.seconds, 2)) + " 秒（应为 " +
           text::FormatG13(text::RoundHalfAway(expected, 2)) + " 秒）：" + FirstLine(sound.errors);
  }

  // Moves each finished temporary output to its first free final name, taken atomically: a
  // name another run takes first is passed over. An output that is no result fails the task
  // as a whole and none of its outputs is kept. A move that fails keeps what is not moved
  // under its temporary name and says why: a row never reads finished for a missing file.
  WorkerResult Complete() {
    const CompletionMark mark;
    for (const Output& out : outputs_)
      if (const std::string why = OutputProblem(out.written); !why.empty()) return Fail(why);
    std::vector<std::string> finals;
    std::string why;
    for (const Output& out : outputs_) {
      std::string finalName = MoveToFinalName(out, why);
      if (finalName.empty()) break;
      finals.push_back(std::move(finalName));
    }
    if (finals.size() == outputs_.size()) {
      if (report_.state) report_.state(kStateFinished);
      return {WorkerEnding::Completed, {}, finals.front()};
    }
    if (report_.state) report_.state(OutputErrorState(why));
    return {WorkerEnding::Failed, why, {}};
  }

  // The final name `out` now has, or "" with `why` set.
  std::string MoveToFinalName(const Output& out, std::string& why) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const std::string finalName =
          task::OutputName(out.stored, "", plat::ExtensionOf(out.stored), plat::FileExists);
      if (!IsValidTarget(finalName)) {
        why = "无效的输出文件名 " + finalName;
        return "";
      }
      std::string reason;
      switch (plat::MoveToFreeName(out.written, finalName, &reason)) {
        case plat::MoveResult::Moved:
          return finalName;
        case plat::MoveResult::Taken:
          continue;
        case plat::MoveResult::Failed:
          why = "无法把 " + out.written + " 改名为 " + finalName + "：" + reason;
          return "";
      }
    }
    why = "找不到空闲的输出文件名";
    return "";
  }

  const std::vector<std::string> words_;
  const std::string lastOutput_;
  const bool trial_;
  const std::stop_token stop_;
  const WorkerReport& report_;
  const WorkerTiming timing_;
  std::vector<Output> outputs_;  // one per output file, in the words' order
  OutputFollower follower_;
  plat::Child child_;
  bool exited_ = false;
  int status_ = -1;
  plat::Wakeup wakeup_;
  unsigned activity_ = 0;  // crash::BeginActivity ticket, 0 before the converter started
};

}  // namespace

std::string OutputErrorState(std::string_view errorText) {
  return "输出错误(" + OneLine(FailureTranslation(errorText)) + ")";
}

ChunkVerdict OutputFollower::Examine(std::string_view bytes) {
  ChunkVerdict v;
  const std::string_view chunk = UpToZero(bytes);
  tail_.append(chunk);
  if (tail_.size() > kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
  if (hasPrevious_ && bytes == previous_) {
    v.repeated = true;
    return v;
  }
  // Whole lines only: a line cut by the read is judged with the rest of it.
  partialLine_.append(chunk);
  const size_t lastBreak = partialLine_.find_last_of("\r\n");
  if (lastBreak != std::string::npos) {
    const size_t before = errorLines_.size();
    probe::CollectErrorLines(std::string_view(partialLine_).substr(0, lastBreak), errorLines_,
                             kMostErrorLines);
    partialLine_.erase(0, lastBreak + 1);
    if (errorLines_.size() > before) {
      v.errors = true;
      errors_ = probe::JoinLines(errorLines_);
    }
  }
  if (partialLine_.size() > kTailBytes) partialLine_.erase(0, partialLine_.size() - kTailBytes);
  const int p = ProgressPosition(chunk);
  if (p == -1) return v;
  v.progress = true;
  progressSeconds_ = ProgressSeconds(chunk, p);
  if (progressSeconds_ - 0.1 >= -1e-7) {
    v.speed = SpeedText(chunk, p);
    const double percentage = Percentage(progressSeconds_, duration_);
    if (percentage - 100 <= 1e-7) v.state = PercentageText(percentage) + kPercentSign;
  } else {
    v.state = kStatePreparing;
  }
  previous_.assign(bytes);
  hasPrevious_ = true;
  return v;
}

WorkerResult RunTaskWorker(const std::vector<std::string>& words, bool trial, std::stop_token stop,
                           const WorkerReport& report, const WorkerTiming& timing) {
  Run run(words, OutputFile(words), trial, std::move(stop), report, timing);
  return run.Go();
}

WorkerResult RunTaskWorker(const std::string& arguments, bool trial, std::stop_token stop,
                           const WorkerReport& report, const WorkerTiming& timing) {
  Run run(probe::SplitArguments(arguments), OutputFile(arguments), trial, std::move(stop), report, timing);
  return run.Go();
}

std::vector<std::string> ConverterArguments(std::vector<std::string> words) {
  std::vector<std::string> args{"-hide_banner"};
  args.insert(args.end(), probe::kLevelTagArguments.begin(), probe::kLevelTagArguments.end());
  args.insert(args.end(), std::make_move_iterator(words.begin()), std::make_move_iterator(words.end()));
  return args;
}

int CompletionsUnderWay() { return g_completions.load(); }

void WaitForCompletions(const WaitFn& wait, int limitMs) {
  constexpr int kStepMs = 20;
  for (int waited = 0; g_completions.load() > 0 && waited < limitMs; waited += kStepMs) wait(kStepMs);
}

std::vector<std::string> WithOutput(std::vector<std::string> words, const std::string& stored,
                                    const std::string& fresh) {
  if (!words.empty() && words.back() == stored) words.back() = fresh;
  return words;
}

bool IsTemporaryOutput(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  const size_t slash = path.rfind('/');
  return path.find("_tmp", slash) != std::string::npos;
}

}  // namespace batch
