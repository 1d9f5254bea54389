// Files a flipframe process makes for a while (an output being converted, a list being
// written) carry their owner in the name: its process id and host. What a process killed
// with kill -9 left is removed by the next one that looks there; nothing else ever is.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace plat {
namespace {

// The host as it may stand in a file name.
const std::string& HostTag() {
  static const std::string tag = [] {
    std::string host = HostName();
    for (char& c : host)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    return host;
  }();
  return tag;
}

std::string CommandName(pid_t pid) {
  std::string name;
  ReadFile("/proc/" + std::to_string(pid) + "/comm", &name, nullptr, 4096);
  while (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

// A process with that number runs flipframe (or this very program, a test binary included).
// Another program under the number means its flipframe is gone.
bool FlipframeRuns(pid_t pid) {
  static const std::string own = CommandName(getpid());
  const std::string name = CommandName(pid);
  return !name.empty() && (name == "flipframe" || name == own);
}

bool AllOf(std::string_view text, int (*kind)(int)) {
  for (char c : text)
    if (!kind(static_cast<unsigned char>(c))) return false;
  return !text.empty();
}

// `rest` starts with an owner tag of this host followed by "-" and a piece `tail` accepts;
// true when that owner is no longer running.
template <typename Tail>
bool LeftByDeadOwner(std::string_view rest, Tail tail) {
  const size_t dash = rest.find('-');
  if (dash == std::string_view::npos || dash > 9 || !AllOf(rest.substr(0, dash), isdigit)) return false;
  std::string_view after = rest.substr(dash + 1);
  const std::string& host = HostTag();
  if (after.substr(0, host.size()) != host || after.substr(host.size(), 1) != "-") return false;
  if (!tail(after.substr(host.size() + 1))) return false;
  return !FlipframeRuns(pid_t(std::stol(std::string(rest.substr(0, dash)))));
}

void RemoveIfRegular(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
}

}  // namespace

std::string OwnerTag() { return std::to_string(getpid()) + "-" + HostTag(); }

void RemoveLeftoversOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".";
  for (const std::string& name : FolderEntries(folder)) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    // "PID-HOST-N.tmp", as AtomicFile names its temporary.
    const bool dead =
        LeftByDeadOwner(std::string_view(name).substr(prefix.size()), [](std::string_view tail) {
          return tail.size() > 4 && tail.ends_with(".tmp") && AllOf(tail.substr(0, tail.size() - 4), isdigit);
        });
    if (dead) RemoveIfRegular(folder + name);
  }
}

void RemoveDeadFreshFiles(const std::string& folder) {
  // Once a folder per process: a folder of many results is not read again for every task.
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!swept.insert(folder).second) return;
  }
  constexpr std::string_view kMark = "_tmp-";
  for (const std::string& name : FolderEntries(folder)) {
    // "..._tmp-PID-HOST-XXXXXXXX...", as CreateFreshFile names an output and what is made
    // beside it under the same name.
    for (size_t at = name.find(kMark); at != std::string::npos; at = name.find(kMark, at + 1)) {
      const bool dead = LeftByDeadOwner(
          std::string_view(name).substr(at + kMark.size()),
          [](std::string_view tail) { return tail.size() >= 8 && AllOf(tail.substr(0, 8), isxdigit); });
      if (dead) {
        RemoveIfRegular(folder + "/" + name);
        break;
      }
    }
  }
}

}  // namespace plat
