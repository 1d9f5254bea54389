#include "pipeline/concurrent.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace pipeline {

int TaskMakingWorkers() { return std::max(2, static_cast<int>(std::thread::hardware_concurrency())); }

void RunConcurrently(int count, int workers, const std::function<void(int)>& work) {
  std::atomic<int> next{0};
  const auto loop = [&] {
    for (int i; (i = next.fetch_add(1)) < count;) work(i);
  };
  std::vector<std::jthread> threads;
  for (int t = 1; t < std::min(workers, count); ++t) threads.emplace_back(loop);
  loop();  // the calling thread is one of the workers
}

}  // namespace pipeline
