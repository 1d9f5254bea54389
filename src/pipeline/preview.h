#pragma once
// A look at a task's result before the batch: the output frame at a chosen moment, rendered
// by the converter with the task's own filter graph and piped back as one PNG image, and a
// few seconds encoded with the task's full command.
//
// Every input is seeked to the moment (-ss before -i: a fast seek to the keyframe, then an
// exact one) and timestamps are kept (-copyts), so time-based filters such as the fades see
// the same times as in the whole conversion. When the converter reports pictures it could not
// decode after a fast seek (a clip whose marked keyframes are not ones), the render is made
// again decoding each input from its start. The sound is left out of the frame.
#include <array>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/follow_prep.h"
#include "task/task_record.h"

namespace pipeline {

enum class Seek { Fast, Exact };

// Gets 0..1 while the whole clip of a follow task is analysed for its camera path, as the
// batch analyses it; the result is kept, so the batch (and the next preview) takes it from
// there.
using AnalysisProgress = std::function<void(double)>;

struct PreviewSettings {
  // Build the background the quick way (快速背景) for the frame of a large canvas even when the
  // task uses the classic graph: the classic one enlarges the blurred copy to four times the
  // canvas, which costs seconds per frame at 1080p, and the two differ by an SSIM of about
  // 0.998 there. A small canvas keeps the task's own graph.
  bool quickBackground = true;
  int quickFromPixels = 1000000;  // output width x height from which the quick way is taken
};

// Seconds of the task's output that come from its foreground (the slider's range).
double PreviewLength(const task::TaskRecord& task);

// The moment `seconds` kept inside the foreground's length (the last frame's time at most).
double PreviewMoment(const task::TaskRecord& task, double seconds);

// Converter arguments (after the converter's path, "-hide_banner" included) that write the
// output frame at `seconds` as one PNG to standard output. Empty when the task cannot be built.
std::vector<std::string> PreviewFrameArguments(const task::TaskRecord& task, double seconds,
                                               const std::array<std::string, 4>& effectFilters,
                                               const PreviewSettings& settings = {}, Seek seek = Seek::Fast,
                                               const FollowPrep& follow = {});

// Where `length` seconds from `seconds` end: at the end of the task's output at the latest.
double PreviewClipEnd(const task::TaskRecord& task, double seconds, double length);

// Converter arguments that encode `length` seconds from `seconds` (fewer where the output
// ends) with the task's full command into `outputPath` (its extension picks the container).
std::vector<std::string> PreviewClipArguments(const task::TaskRecord& task, double seconds, double length,
                                              const std::string& outputPath,
                                              const std::array<std::string, 4>& effectFilters,
                                              Seek seek = Seek::Fast, const FollowPrep& follow = {});

struct PngImage {
  std::string bytes;
  int width = 0, height = 0;
};

// The first complete PNG image in `output` (the converter may print a line before or after
// it); nothing when there is none.
std::optional<PngImage> FindPng(std::string_view output);

struct PreviewFrame {
  std::optional<PngImage> image;
  std::string error;       // why there is no image, in the program's own words
  bool exactSeek = false;  // the fast seek could not be decoded; the frame was decoded from the start
};

// Renders the frame (a follow task's after its analysis); a stop request ends the converter
// at once and gives no image.
PreviewFrame RenderPreviewFrame(const task::TaskRecord& task, double seconds,
                                const std::array<std::string, 4>& effectFilters, std::stop_token stop = {},
                                const PreviewSettings& settings = {}, const AnalysisProgress& analysing = {});

// Encodes the few seconds and checks that the file holds them; "" when done, else why not
// (and no file is left).
std::string RenderPreviewClip(const task::TaskRecord& task, double seconds, double length,
                              const std::string& outputPath, const std::array<std::string, 4>& effectFilters,
                              std::stop_token stop = {}, const AnalysisProgress& analysing = {});

}  // namespace pipeline
