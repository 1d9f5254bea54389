#include "task/audio_copy.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <string>

namespace task {
namespace {

struct Container {
  std::initializer_list<std::string_view> extensions;
  std::initializer_list<std::string_view> codecs;
};

const Container kContainers[] = {
    {{".mp4", ".m4v", ".3gp"}, {"aac", "mp3", "ac3", "eac3", "alac", "opus"}},
    {{".mov"}, {"aac", "mp3", "ac3", "eac3", "alac", "pcm_s16le", "pcm_s16be", "pcm_s24le", "pcm_f32le"}},
    {{".avi"}, {"mp3", "mp2", "ac3", "pcm_s16le", "pcm_u8"}},
    {{".flv"}, {"aac", "mp3"}},
    {{".webm"}, {"opus", "vorbis"}},
    {{".ogv", ".ogg"}, {"vorbis", "opus", "flac", "speex"}},
    {{".ts", ".m2ts", ".mts"}, {"aac", "mp3", "mp2", "ac3", "eac3"}},
    {{".mpg", ".mpeg", ".vob"}, {"mp2", "mp3", "ac3"}},
    {{".wmv", ".asf"}, {"wmav1", "wmav2", "mp3"}},
};

bool In(std::initializer_list<std::string_view> list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

bool AudioCopyFits(std::string_view codec, std::string_view outputFormat) {
  if (codec.empty()) return true;
  std::string format(outputFormat);
  std::transform(format.begin(), format.end(), format.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const Container& c : kContainers)
    if (In(c.extensions, format)) return In(c.codecs, codec);
  return true;
}

}  // namespace task
