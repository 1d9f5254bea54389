#include "probe/path_check.h"

#include "platform/platform.h"

namespace probe {

const char* PathProblem(const std::string& path) {
  if (path.size() >= kPathLimit) return kPathTooLongMessage;
  // Every path enters the command text between double quotes, and the command text and the
  // list's rows are one line each.
  for (unsigned char c : path)
    if (c == '"' || c < 0x20 || c == 0x7f) return kReservedCharacterMessage;
  return "";
}

const char* ProbeRequestProblem(const std::string& path) {
  // A folder, a pipe or a device is no file that can be read either.
  if (!plat::IsReadableFile(path) || plat::FileSize(path) <= 0) return kEmptyFileMessage;
  return PathProblem(path);
}

}  // namespace probe
