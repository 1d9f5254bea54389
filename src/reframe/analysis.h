#pragma once
// The analysis pass of the subject-following crop: the converter pipes small grey frames
// (about 480 pixels wide, 5 a second) to us and writes the cuts it finds in every frame to a
// file; faces, motion and cuts make the camera's path, and the path the sendcmd text that
// steers the conversion's crop. We decode nothing ourselves.
//
// Results are kept in the user's cache folder ($XDG_CACHE_HOME/flipframe/reframe, else
// ~/.cache/flipframe/reframe), one file per source path + size + modification time + the
// settings the path depends on, so a task run again is not analysed again.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "reframe/crop_command.h"
#include "reframe/path_solver.h"

namespace reframe {

inline constexpr double kAnalysisRate = 5;  // frames a second
inline constexpr int kAnalysisWidth = 480;

struct AnalysisRequest {
  std::string source;  // the foreground, a plain path
  int sourceWidth = 0, sourceHeight = 0;
  int outputWidth = 0, outputHeight = 0;
  double seconds = 0;    // the output's length
  double frameRate = 0;  // the foreground's frames a second
};

struct AnalysisResult {
  bool ok = false;
  bool stopped = false;
  std::string error;     // the program's message when neither ok nor stopped
  std::string sendcmd;   // when ok
  bool blurred = false;  // some scene shows the blurred look: the graph needs that branch
  bool fromCache = false;
  std::vector<Camera> cameras;  // per scene (not kept in the cache)
};

// Size of the analysis frames for a source (even, about kAnalysisWidth wide).
void AnalysisSize(int srcW, int srcH, int* w, int* h);
// The converter's arguments that write the analysis frames to its standard output and the
// times of the cuts (scdet's metadata lines) to `cutsFile`.
std::vector<std::string> AnalysisArguments(const AnalysisRequest& request, const std::string& cutsFile);
// The cut times in the metadata lines (pure), and the samples they start scenes at.
std::vector<double> CutTimes(const std::string& printed);
void MarkCuts(const std::vector<double>& cuts, std::vector<Sample>* samples);

// Path and frames: the window's place for every output frame (pure).
std::vector<FramePlace> FramePlaces(const SolvedPath& path, const std::vector<Sample>& samples,
                                    double seconds, double frameRate);
// Everything after the frames were read (pure): solve, place the frames, write the commands.
std::string SendcmdForSamples(const AnalysisRequest& request, const std::vector<Sample>& samples,
                              std::vector<Camera>* cameras = nullptr);

// Runs the analysis (or takes it from the cache). `progress` gets 0..1 now and then.
AnalysisResult Analyse(const AnalysisRequest& request, std::stop_token stop,
                       const std::function<void(double)>& progress);

std::string CacheFolder();
// The cache file for a request ("" when the source cannot be read).
std::string CachePath(const AnalysisRequest& request);

}  // namespace reframe
