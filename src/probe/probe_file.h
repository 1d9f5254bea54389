#pragma once
// One probe: runs "ffmpeg -i FILE" and reads the first chunk that describes the file.
#include <string>

#include "probe/stream_info.h"

namespace probe {

enum class ProbeStatus {
  Parsed,            // info holds the file's facts
  Failed,            // the converter's output held a failure word
  NoVerdict,         // the converter went quiet without describing the file
  MissingConverter,  // no converter was found (nothing was started)
};

struct ProbeOutcome {
  ProbeStatus status = ProbeStatus::NoVerdict;
  MediaInfo info;           // filled when parsed
  std::string failureLine;  // the output line that held the failure word, when failed
};

// Runs the converter on `path` with the capture loop and the stream-info parser. Blocks until
// the verdict (or the idle limit); the converter is reaped before it returns. With
// `patienceMs` the converter may stay silent (or busy) that long before the probe gives up
// without a verdict, instead of the picker's short idle limit.
ProbeOutcome ProbeFile(const std::string& path, int patienceMs = 0);

// The whole line of `chunk` around the 1-based position `pos`, without its line break.
std::string LineAround(const std::string& chunk, int pos);

}  // namespace probe
