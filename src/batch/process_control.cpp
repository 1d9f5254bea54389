#include "batch/process_control.h"

#include <string>

#include "platform/platform.h"
#include "probe/converter.h"

namespace batch {
namespace {

// One of ours: named "ffmpeg", running the converter path, started with our ownership
// variable. Anything else -- another program's ffmpeg, even the same binary -- is not.
bool IsOwnedConverter(const plat::ProcessEntry& entry, const std::string& converter,
                      const std::string& ownerEntry) {
  return entry.name == "ffmpeg" && plat::ExecutablePath(entry.pid) == converter &&
         plat::EnvironmentHas(entry.pid, ownerEntry);
}

// Walks the process table in its order and acts on every owned converter, testing each
// entry just before acting on it, then waits `waitMs`. Returns how many were found.
template <typename Act>
int ForEachOwned(const WaitFn& wait, int waitMs, Act act) {
  const std::string converter = probe::ConverterPath();
  if (converter.empty()) return 0;  // no converter, so none of ours can run
  const std::string ownerEntry = probe::OwnerEnvironmentEntry();
  int found = 0;
  for (const plat::ProcessEntry& entry : plat::ProcessList()) {
    if (!IsOwnedConverter(entry, converter, ownerEntry)) continue;
    act(entry.pid);
    ++found;
    if (wait) wait(waitMs);
  }
  return found;
}

}  // namespace

std::vector<pid_t> OwnedConverters() {
  std::vector<pid_t> pids;
  const std::string converter = probe::ConverterPath();
  if (converter.empty()) return pids;
  const std::string ownerEntry = probe::OwnerEnvironmentEntry();
  for (const plat::ProcessEntry& entry : plat::ProcessList())
    if (IsOwnedConverter(entry, converter, ownerEntry)) pids.push_back(entry.pid);
  return pids;
}

int CleanupStrayConverters(const WaitFn& wait) { return ForEachOwned(wait, 2000, plat::KillProcess); }

int SuspendConverters(const WaitFn& wait) { return ForEachOwned(wait, 1000, plat::SuspendProcess); }

int ResumeConverters(const WaitFn& wait) { return ForEachOwned(wait, 1000, plat::ResumeProcess); }

}  // namespace batch
