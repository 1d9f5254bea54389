// The stream-info parser over one chunk of converter output, as the probe judges it.
#include <cstdint>
#include <string>

#include "probe/stream_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string chunk(reinterpret_cast<const char*>(data), size);
  probe::StreamTextStart(chunk);
  const probe::Examination e = probe::ExamineChunk(chunk);
  // Every part is also read at any position the parser could be handed.
  probe::ReadMediaInfo(chunk, e.durationPos > 0 ? e.durationPos : 1, "/in/clip.mp4");
  probe::ParseStreams(chunk, "N/A");
  probe::ParseStreams(chunk, "00:00:00.04");
  probe::BitrateText(chunk, int(size));
  probe::DurationText(chunk, int(size) + 1);
  return 0;
}
