// OutputName over a path, suffix and extension (the input split at its first two bytes
// '\n'), with the first byte's count of names taken.
#include <cstdint>
#include <string>
#include <string_view>

#include "task/output_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const int taken = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 8;
  auto next = [&input] {
    const size_t lf = input.find('\n');
    const std::string part(input.substr(0, lf));
    input = lf == std::string_view::npos ? std::string_view() : input.substr(lf + 1);
    return part;
  };
  const std::string path = next(), suffix = next(), extension = next();
  int asked = 0;
  const auto exists = [&](const std::string&) { return asked++ < taken; };
  for (const std::string& s : {suffix, std::string("_tmp")}) {
    asked = 0;
    const std::string name = task::OutputName(path, s, extension, exists);
    // The name found is the first one not taken, and it ends with the extension.
    if (asked != taken + 1 || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
      __builtin_trap();
  }
  return 0;
}
