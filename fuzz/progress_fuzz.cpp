// The progress and failure functions over one chunk of a task's output, and the follower
// that strings chunks together (the input is cut into chunks at each byte 0x01).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "probe/log_levels.h"
#include "probe/sound_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const int p = batch::ProgressPosition(input);
  batch::ProgressSeconds(input, p);
  batch::ProgressSeconds(input, int(size));
  batch::SpeedText(input, p);
  batch::PercentageText(batch::Percentage(batch::ProgressSeconds(input, p), int(size % 7)));
  probe::ErrorLines(input);
  probe::ReadSoundDecode(input, 0);
  batch::OneLine(batch::FailureTranslation(input));
  batch::LastNonBlankLine(input);
  batch::WriteFailureLine(input);
  batch::ClockSeconds(input);
  batch::OutputFile(input);
  batch::TaskDuration(input);
  batch::OutputDurationSeconds(input);
  batch::OutputErrorState(input);

  batch::OutputFollower follower(int(size % 13));
  for (size_t start = 0; start <= input.size();) {
    size_t end = input.find('\x01', start);
    if (end == std::string_view::npos) end = input.size();
    follower.Examine(input.substr(start, std::min<size_t>(end - start, 4095)));
    start = end + 1;
  }
  return 0;
}
