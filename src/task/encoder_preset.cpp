#include "task/encoder_preset.h"

#include <algorithm>
#include <cctype>

namespace task {

bool IsEncoderPreset(std::string_view name) {
  return std::any_of(kEncoderPresets.begin(), kEncoderPresets.end(),
                     [name](const char* p) { return name == p; });
}

int EncoderPresetItem(std::string_view name) {
  for (size_t i = 0; i < kEncoderPresets.size(); ++i)
    if (name == kEncoderPresets[i]) return static_cast<int>(i) + 1;
  return 0;
}

std::string EncoderPresetOfItem(int item) {
  return item >= 1 && item <= static_cast<int>(kEncoderPresets.size()) ? kEncoderPresets[size_t(item - 1)]
                                                                       : "";
}

bool EncodesWithX264(std::string_view outputFormat) {
  // The muxers whose default video encoder is libx264 in a converter built with it (ffmpeg
  // 5.1 as Debian ships it); the extension is matched without regard to case, as it does.
  static constexpr const char* kX264Formats[] = {".mp4", ".m4v",  ".mov",  ".mkv", ".f4v",
                                                 ".psp", ".ismv", ".h264", ".264"};
  std::string lower(outputFormat);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::any_of(std::begin(kX264Formats), std::end(kX264Formats),
                     [&lower](const char* f) { return lower == f; });
}

}  // namespace task
