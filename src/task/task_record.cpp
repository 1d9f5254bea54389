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

namespace {

// The quoted path of each stamped source, "" when the task has none.
std::array<std::string, kStampCount> StampedPaths(const TaskRecord& r) {
  return {r.foregroundPath, r.backgroundPath == r.foregroundPath ? std::string() : r.backgroundPath,
          r.animationPath, r.audioPath};
}

SourceStamp StampOfFile(const std::string& quoted) {
  const plat::FileStamp s = plat::StampOf(Unquote(quoted));
  return s.size < 0 ? SourceStamp{} : SourceStamp{s.size, s.seconds, s.nanoseconds};
}

}  // namespace

void StampSources(TaskRecord& r) {
  const auto paths = StampedPaths(r);
  for (size_t i = 0; i < paths.size(); ++i)
    r.sourceStamps[i] = paths[i].empty() ? SourceStamp{} : StampOfFile(paths[i]);
}

bool SourcesChangedSinceStamped(const TaskRecord& r) {
  const auto paths = StampedPaths(r);
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!r.sourceStamps[i].known() || paths[i].empty()) continue;
    if (!(StampOfFile(paths[i]) == r.sourceStamps[i])) return true;
  }
  return false;
}

}  // namespace task
