#pragma once
// The rules that tie the settings together, as pure functions: the size boxes and the ratio
// list, the foreground count, which probed files each source kind accepts, and the audio
// rule. The window applies them to its controls, the command line to its settings model.
#include <array>
#include <string>

#include "task/task_record.h"

namespace task {

// The four sources of a task, numbered as the window numbers them.
enum SourceKind { kForeground = 1, kBackground = 2, kAnimation = 3, kAudio = 4 };

// Kind codes of a probed file: +1 GIF, +1 still or +3 moving picture, +2 sound.
inline constexpr int kKindNone = 0;
inline constexpr int kKindStill = 1;
inline constexpr int kKindSoundOnly = 2;
inline constexpr int kKindVideo = 3;
inline constexpr int kKindGif = 4;
inline constexpr int kKindVideoWithSound = 5;

// Items of the ratio list: 0 to 6 make a landscape output (竖->横), 7 to 10 a portrait one.
inline constexpr int kRatioLandscape16x9 = 0;
inline constexpr int kRatioFirstPortrait = 7;
inline constexpr int kRatioPortrait9x16 = kRatioFirstPortrait;
inline constexpr int kRatioItemCount = 11;
inline bool IsPortraitRatio(int ratioIndex) { return ratioIndex >= kRatioFirstPortrait; }

// The ratio as the list writes it ("16:9", "9:16", ...), and the item of such a text (-1 none).
const char* RatioName(int ratioIndex);
int RatioIndexOf(const std::string& name);

// The aspect-ratio table: entry k (1 to 11) is the long side over the short side of item
// k - 1, entry k + 11 the short side over the long side. These are the decimal values the
// program has always used (1.777778, 0.54, 0.426632), not exact fractions: sizes computed
// from them must stay the same from version to version.
inline constexpr std::array<double, 23> kRatioTable = {
    0.0,                                                            // entries are numbered from 1
    1.777778, 1.6,   1.666667, 1.333333, 2.333333, 1.85, 2.35,      // 竖->横 16:9 ... 47:20
    1.777778, 1.6,   1.666667, 1.333333,                            // 横->竖 9:16 ... 3:4
    0.5625,   0.625, 0.6,      0.75,     0.428571, 0.54, 0.426632,  // the same, short over long
    0.5625,   0.625, 0.6,      0.75};

// Largest number of foreground copies offered side by side. A very thin foreground on a
// very flat output would otherwise ask for thousands of list items (and overlays).
inline constexpr int kMaxForegroundCopies = 100;

inline constexpr int kMinimumOutputSize = 96;

// Which of the two size boxes the user types in (none before the first one was chosen).
enum class ActiveBox { None, Width, Height };

// An odd number is lowered by one; true when it changed.
bool EvenDown(int& n);
// Truncates toward zero; values outside the integer range give the nearest limit, and a
// value that is not a number gives 0.
int TruncateToInt(double v);

// The other dimension for a typed dimension `v` under ratio item `ratioIndex` (0 when no
// item is selected), rounded to two places, cut and made even.
int RatioDimension(int ratioIndex, ActiveBox active, int v,
                   const std::array<double, 23>& table = kRatioTable);

// What selecting a ratio item puts into the size boxes: the foreground's width (portrait
// output) or height (landscape output), and the other side from the ratio, never smaller
// than the foreground's.
struct OutputSize {
  int width = 0, height = 0;
  ActiveBox active = ActiveBox::Width;
};
OutputSize RatioSelectionSize(int ratioIndex, int foregroundWidth, int foregroundHeight,
                              const std::array<double, 23>& table = kRatioTable);

// How many copies of the foreground, scaled to the output height, fit across the output
// width (0 when anything is 0; at most kMaxForegroundCopies).
int ForegroundCopiesThatFit(int foregroundWidth, int foregroundHeight, int width, int height);

// The foreground-count list: its items "1" to n and the selected one. Update() is the
// foreground-count rule; it returns the count that fits.
struct CountList {
  int lastComputed = 0;
  int items = 0;      // the list shows "1" .. items; 0 when hidden
  int selected = -1;  // 0-based, -1 none
  bool visible = false;
  int Update(int foregroundWidth, int foregroundHeight, int width, int height);
  void Hide();
  bool operator==(const CountList&) const = default;
};

// The text a source's path box shows when a probed file is refused, and whether a probed
// kind code (with its duration text) is accepted for that source.
const char* RefusalText(SourceKind kind);
bool AcceptsProbe(SourceKind kind, int kindCode, const std::string& duration);

// The audio rule: with no sound source ticked, mute is ticked and the audio fades are
// unticked and disabled; otherwise mute is unticked and the fades enabled.
struct AudioRuleResult {
  bool mute = false;
  bool fadesEnabled = false;  // false also unticks both fades
};
AudioRuleResult AudioRule(bool foregroundSound, bool backgroundSound, bool music);
// The audio rule on a record's tick and disabled states. True when the record changed.
bool ApplyAudioRuleTo(TaskRecord& task);

// Name of blend mode `index` of the blend list ("overlay" for an index outside it).
constexpr int kBlendModeCount = 28;
const char* BlendModeName(int index);
int BlendModeIndexOf(const std::string& name);  // -1 when unknown

}  // namespace task
