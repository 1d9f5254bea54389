#pragma once
// Publishing targets: the output a platform asks for (size, frame-rate limit, encoders and
// bitrate limits, +faststart, a length limit), one named entry each in a small INI file that
// ships with the program and that users edit and add to.
#include <string>
#include <string_view>
#include <vector>

namespace task {

// What a task keeps of its target: the values its command is built from. A task without a
// target (自定义) has an empty name and its command is what it was before targets existed.
struct TargetSettings {
  std::string name;
  int maxFps = 0;  // 0: no limit
  std::string videoCodec;
  int maxVideoKbps = 0;  // 0: no limit
  std::string audioCodec;
  int audioKbps = 0;  // 0: the encoder's own choice
  bool faststart = false;
  bool used() const { return !name.empty(); }
  bool operator==(const TargetSettings&) const = default;
};

// A further output of a task made for several targets in one run: its target's encoding and
// size. The task's own target and size are its first output.
struct TargetOutput {
  TargetSettings settings;
  int width = 0, height = 0;
  bool operator==(const TargetOutput&) const = default;
};
inline constexpr int kMaxOutputs = 8;  // outputs of one task, the first included

struct PublishTarget {
  TargetSettings settings;  // settings.name is the entry's name
  std::string label;        // what the window's list shows
  int width = 0, height = 0;
  int maxSeconds = 0;  // 0: no limit
  std::string source;  // where the values come from
};

struct TargetFile {
  std::vector<PublishTarget> targets;
  std::vector<std::string> problems;  // one line per entry left out, naming it
};

// Reads the INI text ([name] then key = value lines; '#' or ';' starts a comment). An entry
// with a missing, unknown or bad value is named in `problems` and left out; the others stay.
TargetFile ParseTargets(std::string_view text);

// Why these values cannot go into a command ("" when they can): a name of letters, digits,
// '-' and '_', encoders from a short list, numbers within their ranges.
std::string TargetSettingsProblem(const TargetSettings& s);

const PublishTarget* FindTarget(const std::vector<PublishTarget>& targets, std::string_view name);

// The output options a target adds after the video options: encoder, pixel format, bitrate
// cap, frame-rate cap (only when the foreground's rate is above it) and +faststart for the
// MP4 family.
std::string TargetVideoOptions(const TargetSettings& s, const std::string& foregroundFps,
                               const std::string& outputFormat);
// The audio encoder options of a target (" -c:a aac -b:a 192k").
std::string TargetAudioOptions(const TargetSettings& s);

// The ratio item whose composition suits a foreground of fgW x fgH on a target of w x h:
// bands above and below when the foreground is the wider, a row across otherwise.
int RatioForTarget(int fgW, int fgH, int w, int h);

// "HH:MM:SS" of whole seconds, as the duration box holds it.
std::string ClockText(int seconds);

}  // namespace task
