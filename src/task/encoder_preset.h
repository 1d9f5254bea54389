#pragma once
// The x264 speed preset a task may ask for ("" none: the converter's default, medium). It is
// an output option of the x264 encoder only, so it goes into the command only for the output
// formats the converter encodes with x264 by default.
#include <array>
#include <string>
#include <string_view>

namespace task {

// x264's presets, fastest first.
inline constexpr std::array<const char*, 9> kEncoderPresets = {
    "ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow"};

// One of kEncoderPresets ("" is none of them).
bool IsEncoderPreset(std::string_view name);

// The window's list of choices: 0 none, then kEncoderPresets in order; 0 for a name not there.
int EncoderPresetItem(std::string_view name);
std::string EncoderPresetOfItem(int item);

// The converter picks x264 for the video of an output with this extension (".mp4", ".MKV"):
// the MP4 family, Matroska and raw H.264. Every other format keeps its own encoder.
bool EncodesWithX264(std::string_view outputFormat);

}  // namespace task
