#pragma once
// Decodes the sound of a produced file to its end: how much of it plays, and whether the
// decoder met errors on the way. A sound track copied into a container that cannot carry it
// (AAC in AVI) is stored whole yet plays only in part.
#include <string>
#include <string_view>

namespace probe {

struct SoundDecode {
  bool decoded = false;   // the converter ran to its end within the limit
  bool hasSound = false;  // the file holds a sound stream
  double seconds = -1;    // how far the sound decoded, -1 when unknown
  std::string errors;     // the converter's error lines, "" when it decoded cleanly
};

// Runs the converter on `path` with every stream but the sound left out, its output thrown
// away; gives up (decoded false) after `limitMs`.
SoundDecode DecodeSound(const std::string& path, int limitMs);

// The reading of that run's output (exposed for tests).
SoundDecode ReadSoundDecode(std::string_view output, int exitStatus);

}  // namespace probe
