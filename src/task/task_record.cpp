#include "task/task_record.h"

#include "platform/platform.h"

namespace task {

std::string Unquote(const std::string& quoted) {
  if (quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"')
    return quoted.substr(1, quoted.size() - 2);
  return quoted;
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

bool SourcesPresent(const TaskRecord& r) {
  auto present = [](const std::string& quoted) { return plat::IsRegularFile(Unquote(quoted)); };
  if (!present(r.foregroundPath)) return false;
  if (!r.animationPath.empty() && !present(r.animationPath)) return false;
  if (!r.audioPath.empty() && !present(r.audioPath)) return false;
  return r.backgroundPath == r.foregroundPath || present(r.backgroundPath);
}

}  // namespace task
