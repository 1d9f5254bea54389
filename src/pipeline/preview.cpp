#include "pipeline/preview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "pipeline/publish.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "probe/probe_file.h"
#include "reframe/analysis.h"
#include "task/command_builder.h"
#include "text/numbers.h"

namespace pipeline {
namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr size_t kMaxOutput = size_t(512) << 20;  // a frame of 8K RGBA is far below this

// "HH:MM:SS.xx" as seconds with their fraction; 0 when unreadable.
double FractionalSeconds(const std::string& duration) {
  int h = 0, m = 0;
  double s = 0;
  if (std::sscanf(duration.c_str(), "%d:%d:%lf", &h, &m, &s) != 3) return 0;
  return h * 3600.0 + m * 60.0 + s;
}

std::string SecondsText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
  return buffer;
}

// The task's full-mode words with every input seeked to `seconds`, timestamps kept, and the
// final "-y OUTPUT" taken off; empty when the task does not build. A fast seek starts each
// input at the keyframe before the moment; an exact one decodes from the start of each input
// and drops what comes before the moment.
std::vector<std::string> SeekedWords(task::TaskRecord t, double seconds, Seek seek,
                                     const std::array<std::string, 4>& effects, const FollowPrep& follow) {
  t.moreOutputs.clear();  // a task of several targets shows its first
  const task::BuildEnvironment env{effects, [](const std::string& p) { return plat::FileExists(p); },
                                   [](const std::string&) { return true; }};  // a preview makes no folders
  const task::BuildResult built =
      task::BuildCommand(t, task::BuildMode::Full, FollowEnvironment(env, follow));
  std::vector<std::string> words = probe::TaskArguments(built.text);
  if (words.size() < 3 || words[words.size() - 2] != "-y") return {};
  words.resize(words.size() - 2);
  std::vector<std::string> out{"-nostdin", "-v", "error", "-copyts"};
  const std::string at = SecondsText(seconds);
  // The logo, the last input, is never seeked: a still picture has its one frame at the start.
  const auto logoInput =
      t.logo.used() ? std::find(words.rbegin(), words.rend(), "-i").base() - 1 : words.end();
  for (auto i = words.begin(); i != words.end(); ++i) {
    std::string& w = *i;
    if (w == "-i" && seek == Seek::Fast && i != logoInput) {
      out.push_back("-ss");
      out.push_back(at);
    }
    out.push_back(std::move(w));
  }
  if (seek == Seek::Exact) {
    out.push_back("-ss");
    out.push_back(at);
  }
  return out;
}

// The output option `option` and its value taken out of `words`.
void DropOption(std::vector<std::string>& words, std::string_view option) {
  for (size_t i = 0; i + 1 < words.size();)
    if (words[i] == option)
      words.erase(words.begin() + long(i), words.begin() + long(i) + 2);
    else
      ++i;
}

// The converter printed that it could not decode a picture: a fast seek landed where the
// decoder lacks the pictures it refers to (green, smeared blocks).
bool DecodeTrouble(std::string_view output) { return output.find("error while decoding") != output.npos; }

// The files the task's title and caption filters read, named as SeekedWords' build names them.
std::vector<task::BandTextFile> TextFilesOf(task::TaskRecord t) {
  if (!t.bandTexts.used()) return {};
  t.moreOutputs.clear();  // as SeekedWords builds it
  const task::BuildEnvironment env{
      {}, [](const std::string& p) { return plat::FileExists(p); }, [](const std::string&) { return true; }};
  return task::BuildCommand(t, task::BuildMode::Full, env).textFiles;
}

// The converter run with the task's text files in place.
probe::ConverterOutput RunWithTexts(const task::TaskRecord& task, const std::vector<std::string>& args,
                                    std::stop_token stop) {
  const std::vector<task::BandTextFile> files = TextFilesOf(task);
  if (std::string why = WriteBandTexts(files); !why.empty()) {
    probe::ConverterOutput failed;
    failed.bytes = why;
    failed.exitStatus = 1;
    return failed;
  }
  probe::ConverterOutput run = probe::RunConverterToEnd(args, stop, kMaxOutput);
  RemoveBandTexts(files);
  return run;
}

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

// The converter's last non-empty line, for a message.
std::string LastLine(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.remove_suffix(1);
  const size_t cut = text.find_last_of("\r\n");
  return std::string(cut == std::string_view::npos ? text : text.substr(cut + 1));
}

// "" when every source is there, else the message naming the first one that is not.
// (A task being prepared may have no background yet, which the batch's check would count.)
std::string MissingSource(const task::TaskRecord& t) {
  for (const std::string* quoted :
       {&t.foregroundPath, &t.backgroundPath, &t.animationPath, &t.audioPath, &t.logo.path}) {
    const std::string path = task::Unquote(*quoted);
    if (!path.empty() && !plat::IsRegularFile(path)) return "源文件不存在：" + path;
  }
  return "";
}

// A follow task's camera path for one render, in a file of the render's own beside the kept
// analyses (never beside the batch's output, which a preview does not write to); removed with
// it. Other layouts get nothing.
class PreviewFollow {
 public:
  PreviewFollow(const task::TaskRecord& task, std::stop_token stop, const AnalysisProgress& analysing) {
    const std::string folder = reframe::CacheFolder().empty() ? "/tmp" : reframe::CacheFolder();
    prep_ = PrepareFollow(task, folder + "/preview_tmp.png", stop, analysing);
  }
  ~PreviewFollow() { CleanUpFollow(prep_); }
  PreviewFollow(const PreviewFollow&) = delete;
  PreviewFollow& operator=(const PreviewFollow&) = delete;

  const FollowPrep& prep() const { return prep_; }
  // "" when the render can go on, else why not.
  std::string problem() const {
    if (prep_.stopped) return "预览已取消。";
    return prep_.ok ? "" : "无法预览：" + prep_.error;
  }

 private:
  FollowPrep prep_;
};

}  // namespace

double PreviewLength(const task::TaskRecord& task) {
  const double length = FractionalSeconds(task.foregroundDuration);
  const double output = FractionalSeconds(task.outputDuration);
  return output > 0 && output < length ? output : length;
}

double PreviewMoment(const task::TaskRecord& task, double seconds) {
  const double length = PreviewLength(task);
  const double fps = std::atof(task.foregroundFps.c_str());
  const double last = length - (fps > 0 ? 1.0 / fps : 0.04);
  return std::clamp(seconds, 0.0, std::max(0.0, last));
}

std::vector<std::string> PreviewFrameArguments(const task::TaskRecord& task, double seconds,
                                               const std::array<std::string, 4>& effectFilters,
                                               const PreviewSettings& settings, Seek seek,
                                               const FollowPrep& follow) {
  task::TaskRecord t = task;
  // No sound in a still: the graph then has no audio chain that would need an output.
  for (task::Tick tick : {task::kTickForegroundSound, task::kTickBackgroundSound, task::kTickMusic,
                          task::kTickAudioFadeIn, task::kTickAudioFadeOut})
    t.ticks[tick] = 0;
  t.ticks[task::kTickMute] = 1;
  if (settings.quickBackground && int64_t(t.outputWidth) * t.outputHeight >= settings.quickFromPixels)
    t.fastBackground = true;
  std::vector<std::string> words = SeekedWords(t, PreviewMoment(task, seconds), seek, effectFilters, follow);
  if (words.empty()) return words;
  for (const char* w : {"-frames:v", "1", "-f", "image2pipe", "-c:v", "png", "pipe:1"}) words.push_back(w);
  return words;
}

double PreviewClipEnd(const task::TaskRecord& task, double seconds, double length) {
  return std::min(PreviewMoment(task, seconds) + length, PreviewLength(task));
}

std::vector<std::string> PreviewClipArguments(const task::TaskRecord& task, double seconds, double length,
                                              const std::string& outputPath,
                                              const std::array<std::string, 4>& effectFilters, Seek seek,
                                              const FollowPrep& follow) {
  const double start = PreviewMoment(task, seconds);
  std::vector<std::string> words = SeekedWords(task, start, seek, effectFilters, follow);
  if (words.empty()) return words;
  // With the timestamps kept, the output's -t and -to are moments of the source, not a length:
  // the clip ends at its end moment, and its own timestamps start from 0 for the player.
  DropOption(words, "-to");
  for (const std::string& w :
       {std::string("-to"), SecondsText(PreviewClipEnd(task, seconds, length)),
        std::string("-output_ts_offset"), SecondsText(-start), std::string("-y"), outputPath})
    words.push_back(w);
  return words;
}

std::optional<PngImage> FindPng(std::string_view output) {
  for (size_t start = output.find(kPngSignature); start != std::string_view::npos;
       start = output.find(kPngSignature, start + 1)) {
    // Chunks: length, type, data, CRC; the image ends after the IEND chunk.
    size_t at = start + kPngSignature.size();
    PngImage image;
    while (at + 12 <= output.size()) {
      const uint32_t length = BigEndian32(output, at);
      if (length > output.size() - at - 12) break;
      const std::string_view type = output.substr(at + 4, 4);
      if (type == "IHDR" && length >= 8) {
        image.width = int(BigEndian32(output, at + 8) & 0x7fffffff);
        image.height = int(BigEndian32(output, at + 12) & 0x7fffffff);
      }
      at += 12 + length;
      if (type == "IEND") {
        if (image.width <= 0 || image.height <= 0) break;
        image.bytes.assign(output.substr(start, at - start));
        return image;
      }
    }
  }
  return std::nullopt;
}

PreviewFrame RenderPreviewFrame(const task::TaskRecord& task, double seconds,
                                const std::array<std::string, 4>& effectFilters, std::stop_token stop,
                                const PreviewSettings& settings, const AnalysisProgress& analysing) {
  PreviewFrame frame;
  if (probe::ConverterPath().empty()) {
    frame.error = probe::MissingConverterMessage();
    return frame;
  }
  if (frame.error = MissingSource(task); !frame.error.empty()) return frame;
  const PreviewFollow follow(task, stop, analysing);
  if (frame.error = follow.problem(); !frame.error.empty()) return frame;
  probe::ConverterOutput run;
  for (Seek seek : {Seek::Fast, Seek::Exact}) {
    const std::vector<std::string> args =
        PreviewFrameArguments(task, seconds, effectFilters, settings, seek, follow.prep());
    if (args.empty()) {
      frame.error = "无法预览：这个任务的命令无法生成。";
      return frame;
    }
    run = RunWithTexts(task, args, stop);
    if (run.stopped) {
      frame.error = "预览已取消。";
      return frame;
    }
    frame.exactSeek = seek == Seek::Exact;
    if (!DecodeTrouble(run.bytes)) break;
  }
  frame.image = FindPng(run.bytes);
  if (!frame.image) {
    const std::string why = LastLine(run.bytes);
    frame.error = "无法预览：" + (why.empty() ? std::string("转换程序没有给出画面。") : why);
  }
  return frame;
}

std::string RenderPreviewClip(const task::TaskRecord& task, double seconds, double length,
                              const std::string& outputPath, const std::array<std::string, 4>& effectFilters,
                              std::stop_token stop, const AnalysisProgress& analysing) {
  if (probe::ConverterPath().empty()) return probe::MissingConverterMessage();
  if (std::string missing = MissingSource(task); !missing.empty()) return missing;
  const PreviewFollow follow(task, stop, analysing);
  if (std::string why = follow.problem(); !why.empty()) return why;
  probe::ConverterOutput run;
  for (Seek seek : {Seek::Fast, Seek::Exact}) {
    const std::vector<std::string> args =
        PreviewClipArguments(task, seconds, length, outputPath, effectFilters, seek, follow.prep());
    if (args.empty()) return "无法预览：这个任务的命令无法生成。";
    run = RunWithTexts(task, args, stop);
    if (run.stopped) {
      plat::DeleteFile(outputPath);
      return "预览已取消。";
    }
    if (!DecodeTrouble(run.bytes)) break;
  }
  if (run.exitStatus != 0 || plat::FileSize(outputPath) <= 0) {
    plat::DeleteFile(outputPath);
    const std::string why = LastLine(run.bytes);
    return "无法预览：" + (why.empty() ? std::string("转换程序没有写出文件。") : why);
  }
  // What the converter wrote must be a picture of about the length asked for.
  const double expected = PreviewClipEnd(task, seconds, length) - PreviewMoment(task, seconds);
  const probe::ProbeOutcome made = probe::ProbeFile(outputPath, 10000);
  const double got = made.status == probe::ProbeStatus::Parsed ? FractionalSeconds(made.info.duration) : 0;
  if (made.info.width <= 0 || got < expected - 0.5) {
    plat::DeleteFile(outputPath);
    return "无法试看：转换程序写出的片段只有 " + SecondsText(got) + " 秒画面，应有 " + SecondsText(expected) +
           " 秒。";
  }
  return "";
}

}  // namespace pipeline
