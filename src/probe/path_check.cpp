#include "probe/path_check.h"

#include "platform/platform.h"
#include "text/bytes.h"

namespace probe {

const char* PathProblem(const std::string& path) {
  if (path.size() >= kPathLimit) return kPathTooLongMessage;
  // A "?" stands where the file name had a character the converter's side cannot show, and
  // every path enters a command between double quotes.
  for (const char* forbidden : {"?", "error", "\""})
    if (text::Find(path, forbidden) != -1) return kReservedCharacterMessage;
  // The converter echoes the path into the text searched for failure words: a path holding
  // one of them would make every file in it look broken, so refuse it here with a clear
  // message. "invalid" is a failure word in any letter case.
  if (text::Find(path, "invalid", 1, text::Case::Ignore) != -1) return kReservedCharacterMessage;
  for (const char* failureWord : {"failed!", "errer", " pal8,"})
    if (text::Find(path, failureWord) != -1) return kReservedCharacterMessage;
  return "";
}

const char* ProbeRequestProblem(const std::string& path) {
  // A folder, a pipe or a device is no file that can be read either.
  if (!plat::IsReadableFile(path) || plat::FileSize(path) <= 0) return kEmptyFileMessage;
  return PathProblem(path);
}

}  // namespace probe
