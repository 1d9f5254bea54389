#pragma once
// One conversion job: every setting of the main window when the task was added, plus the
// converter command composed from them. Plain values, so a copy is always a deep copy.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "task/band_text.h"
#include "task/layout.h"
#include "task/logo.h"
#include "task/targets.h"

namespace task {

// The most tasks a task list holds, in the window and in a task list file.
inline constexpr int kMaxTasks = 1000;

// Order of the 17 tick states and of the 22 disabled states kept with a task.
enum Tick {
  kTickAutoBitrate,
  kTickForegroundSound,
  kTickBackgroundSound,
  kTickMusic,
  kTickMute,
  kTickAudioFadeIn,
  kTickAudioFadeOut,
  kTickBounceVertical,
  kTickBounceHorizontal,
  kTickPsychedelic,
  kTickColourShift,
  kTickDenoise,
  kTickSoften,
  kTickMirror,
  kTickVideoFadeIn,
  kTickVideoFadeOut,
  kTickDedupFrames,
  kTickCount
};
enum Disabled {
  kOffBlendMode,
  kOffBackgroundBlur,
  kOffAnimationBlur,
  kOffAnimationOpacity,
  kOffAutoBitrate,
  kOffForegroundSound,
  kOffBackgroundSound,
  kOffMusic,
  kOffMute,
  kOffAudioFadeIn,
  kOffAudioFadeOut,
  kOffBounceVertical,
  kOffBounceHorizontal,
  kOffPsychedelic,
  kOffColourShift,
  kOffDenoise,
  kOffSoften,
  kOffMirror,
  kOffVideoFadeIn,
  kOffVideoFadeOut,
  kOffDedupFrames,
  kOffBitrateBox,
  kOffCount
};

// Size and modification time of a source file when its task was made; size -1 unknown (a
// list from a version that did not record them, or no such source).
struct SourceStamp {
  int64_t size = -1;
  int64_t seconds = 0, nanoseconds = 0;
  bool known() const { return size >= 0; }
  bool operator==(const SourceStamp&) const = default;
};
// Order of the sources in TaskRecord::sourceStamps.
enum StampedSource { kStampForeground, kStampBackground, kStampAnimation, kStampAudio, kStampCount };

// A field added here also goes into the task list files (app/task_list_file.cpp).
struct TaskRecord {
  // Paths are stored between double quotes, as they enter the command line.
  std::string foregroundPath;
  std::string backgroundPath;   // equals foregroundPath when no background file is set
  std::string audioPath;        // "" when none
  std::string animationPath;    // "" when none
  std::string finalOutputPath;  // written by the batch runner when the task finished

  int foregroundKind = 0, animationKind = 0, backgroundKind = 0, audioKind = 0;

  int foregroundWidth = 0, outputWidth = 0, suggestedWidth = 0;
  int backgroundWidth = 0, animationWidth = 0;
  int foregroundHeight = 0, outputHeight = 0, suggestedHeight = 0;
  int backgroundHeight = 0, animationHeight = 0;

  std::string foregroundDuration;  // e.g. 00:01:23.45
  std::string outputDuration;
  std::string backgroundDuration, animationDuration, audioDuration;

  std::string foregroundExtension;   // lower case with its dot
  std::string outputFormat;          // extension with its leading dot
  std::string foregroundBitrate;     // kb/s as the converter printed it
  std::string foregroundAudioCodec;  // the first sound stream's codec ("aac"), "" when unknown
  std::string bitrate;               // text of the bitrate box

  std::string foregroundFps, backgroundFps, animationFps;

  std::string commandLine;   // full-mode command, run unchanged by the batch runner
  std::string trialCommand;  // trial-mode command of the last successful add or save

  int foregroundCountMax = 0;
  int selectedForegroundCount = -1;  // 0-based item of the count list, -1 none
  int ratioIndex = -1;               // item of the ratio list, 0 to 10
  int blendModeIndex = 0;
  int backgroundBlur = 5, animationBlur = 5, animationOpacity = 4;
  // "快速背景": the background is made from the part of it the output shows, blurred small and
  // scaled up once. Off keeps the classic graph (blur at the source size, then enlarge twice).
  bool fastBackground = false;
  // What fills the canvas; the blurred background of the classic graph unless chosen.
  CanvasLayout layout;
  // x264 speed preset of the output ("veryfast", ...; task/encoder_preset.h), "" none.
  std::string encoderPreset;
  // The publishing target whose encoding the output takes (none: 自定义).
  TargetSettings target;
  // Further targets made by the same converter run, each its own file (none: one output).
  std::vector<TargetOutput> moreOutputs;
  // The title above the picture and the caption below it (none: no text drawn).
  BandTexts bandTexts;
  // The logo laid over the finished canvas (none: no logo).
  Logo logo;

  std::array<int, kTickCount> ticks{};
  std::array<int, kOffCount> disabled{};
  std::array<SourceStamp, kStampCount> sourceStamps{};

  bool ticked(Tick t) const { return ticks[t] != 0; }
  bool operator==(const TaskRecord&) const = default;
};

// The path without its surrounding double quotes (unchanged when it has none).
std::string Unquote(const std::string& quoted);

// Every source file of the task is there and is a regular file (a FIFO, socket, device or
// folder in its place would block or fail the converter): the foreground, then the
// animation and the audio when set, then the background when it is not the foreground, then
// the logo when set.
bool SourcesPresent(const TaskRecord& r);
// The sources that fail that test, unquoted, in that order; empty when every one is there.
std::vector<std::string> MissingSources(const TaskRecord& r);
std::string Quote(const std::string& path);

// Records the size and modification time of each source file the task names (the
// background only when it is not the foreground); a source that cannot be read is unknown.
void StampSources(TaskRecord& r);
// True when a source recorded by StampSources now differs in size or modification time, or
// can no longer be read: the output was made from a source still being written (a clip
// being copied or recorded) and may hold less than the source does now.
bool SourcesChangedSinceStamped(const TaskRecord& r);

}  // namespace task
