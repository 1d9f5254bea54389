#pragma once
// The converter's side of the subject-following crop: where the crop window sits in the
// source, the filter text of one `crop` whose size stays fixed while `sendcmd` moves it, and
// the sendcmd file that moves it along a path.
//
// Measured on ffmpeg 5.1: a `w`/`h` changed mid-stream is lost, so only x (or y) is sent;
// `x` is rounded down to even for yuv420p unless exact=1; command times are cut to whole
// microseconds and fire on the first frame at or after them, so each is written half a frame
// early; `t` is NaN without timestamps, so the commands carry plain numbers.
#include <string>
#include <vector>

namespace reframe {

// Filter instance names the sendcmd file steers.
inline constexpr char kCropTarget[] = "crop@follow";
inline constexpr char kMixTarget[] = "overlay@followmix";

// The crop window for a source of srcW x srcH shown on an outW x outH canvas: the source's
// full height and the canvas's aspect (moving across), or its full width (moving down).
struct CropWindow {
  int width = 0, height = 0;
  bool across = true;  // the window moves along x
  int travel = 0;      // how far it can move: the source's extent minus the window's
};
CropWindow WindowFor(int srcW, int srcH, int outW, int outH);

// `path` as the value of a filter option inside a -filter_complex graph: escaped for the
// option parser, then quoted for the graph parser.
std::string FilterPathText(const std::string& path);

// The sendcmd file of a task: beside its temporary output, named after it.
std::string SendcmdPathFor(const std::string& temporaryOutput);

// "sendcmd=f=...,crop@follow=w=..:h=..:x=..:y=..:exact=1" starting at `start` along the moving
// axis; without a sendcmd path (a trial, where the file does not exist yet) the crop alone.
std::string FollowCropFilter(const CropWindow& window, int start, const std::string& sendcmdPath);

// One output frame of the path.
struct FramePlace {
  double time = 0;        // the frame's time in seconds
  int position = 0;       // the window's left (or top) edge in source pixels
  bool fallback = false;  // the scene shows the blurred look instead of the crop
};

// The sendcmd text for the frames of a path, one command line per change (none while the
// window stands still), each half a frame before its frame. `hiddenX` moves the cropped
// picture off the canvas, uncovering the blurred look beneath it.
// Commands for the blurred look come only when some frame falls back.
std::string SendcmdText(const std::vector<FramePlace>& frames, bool across, double frameRate, int hiddenX);
// The sendcmd text uncovers the blurred look somewhere: the graph needs its blurred branch.
bool ShowsBlurredLook(const std::string& sendcmd);

}  // namespace reframe
