#pragma once
// Reads a produced MP4 file's facts from its boxes, without starting ffprobe: most of a probe's
// cost is the converter's start-up, and the suite checks dozens of outputs.
#include <string>

#include "support/media.h"

namespace testing_support {

// The movie's length, the first video track's coded size and which kinds of track there are.
// False when the file is not an MP4 (or MOV) this can read; *facts is then untouched.
bool ReadMp4Facts(const std::string& path, ProbeFacts* facts);

}  // namespace testing_support
