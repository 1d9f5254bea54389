#include "task/source_check.h"

#include "platform/platform.h"

namespace task {

bool SourcesPresent(const TaskRecord& r) {
  if (!plat::FileExists(Unquote(r.foregroundPath))) return false;
  if (!r.animationPath.empty() && !plat::FileExists(Unquote(r.animationPath))) return false;
  if (!r.audioPath.empty() && !plat::FileExists(Unquote(r.audioPath))) return false;
  if (r.backgroundPath != r.foregroundPath && !plat::FileExists(Unquote(r.backgroundPath))) return false;
  return true;
}

}  // namespace task
