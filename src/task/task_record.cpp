#include "task/task_record.h"

#include "platform/platform.h"

namespace task {

std::string Unquote(const std::string& quoted) {
  if (quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"')
    return quoted.substr(1, quoted.size() - 2);
  return quoted;
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

bool SourcesPresent(const TaskRecord& r) { return MissingSources(r).empty(); }

std::vector<std::string> MissingSources(const TaskRecord& r) {
  std::vector<std::string> missing;
  auto check = [&missing](const std::string& quoted) {
    if (!plat::IsRegularFile(Unquote(quoted))) missing.push_back(Unquote(quoted));
  };
  check(r.foregroundPath);
  if (!r.animationPath.empty()) check(r.animationPath);
  if (!r.audioPath.empty()) check(r.audioPath);
  if (r.backgroundPath != r.foregroundPath) check(r.backgroundPath);
  if (r.logo.used()) check(r.logo.path);
  return missing;
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
