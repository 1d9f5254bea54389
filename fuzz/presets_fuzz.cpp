// The de.ini reader: the input is written as the settings file and loaded as at start-up.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "store/presets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/flipframe-fuzz-de-" + std::to_string(getpid()) + ".ini";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  presets::LoadPresets(path);
  presets::TableFromLines(presets::MergeLines(std::string(reinterpret_cast<const char*>(data), size)));
  plat::DeleteFile(path);
  return 0;
}
