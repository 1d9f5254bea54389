// The argument splitter over a stored argument text.
#include <cstdint>
#include <string>

#include "probe/converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = probe::SplitArguments(text);
  // A word never holds a double quote nor more bytes than the text.
  size_t total = 0;
  for (const std::string& w : words) {
    if (w.find('"') != std::string::npos) __builtin_trap();
    total += w.size();
  }
  if (total > text.size()) __builtin_trap();
  return 0;
}
