#pragma once
// Many files made into tasks at once: the probe and the trial of a file are blocking calls
// that mostly wait on the converter, so several files are worked on side by side.
#include <functional>

namespace pipeline {

// Threads for making tasks of many files: the machine's cores, at least 2.
int TaskMakingWorkers();

// Calls work(0) .. work(count - 1) on up to `workers` threads, each thread taking the next
// index not yet taken, and returns when every call has returned. `work` must be safe to call
// from several threads at once.
void RunConcurrently(int count, int workers, const std::function<void(int)>& work);

}  // namespace pipeline
