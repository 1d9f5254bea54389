#pragma once
// Finding and controlling the program's own converter processes. A process is one of ours
// exactly when its name is "ffmpeg", its executable is the converter path and its
// environment holds FLIPFRAME_OWNER=<program folder>; no other process is ever signalled.
#include <sys/types.h>

#include <functional>
#include <vector>

namespace batch {

// A wait of the given milliseconds: a responsive wait on the window's thread, a plain
// sleep on a worker thread.
using WaitFn = std::function<void(int ms)>;

std::vector<pid_t> OwnedConverters();
// Kills every owned converter, waiting 2000 ms after each one found. Returns how many.
int CleanupStrayConverters(const WaitFn& wait);
// Suspends (or resumes) every owned converter, waiting 1000 ms after each. Returns how many.
int SuspendConverters(const WaitFn& wait);
int ResumeConverters(const WaitFn& wait);

}  // namespace batch
