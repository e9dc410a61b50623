#pragma once
// Running one job per input on several threads, with results kept in input order.

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace tavro::cli {

/// The number of jobs -j means by default: the machine's cores.
inline int defaultJobs() { return int(std::max(1u, std::thread::hardware_concurrency())); }

/// Calls work(i) for every i below count on up to jobs threads. Each call must touch only its
/// own results; the caller reads them, in order, once this returns.
inline void forEachParallel(std::size_t count, int jobs, const std::function<void(std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i = next++; i < count; i = next++)
      work(i);
  };
  const std::size_t threads = std::min<std::size_t>(count, std::size_t(std::max(1, jobs)));
  if (threads <= 1) {
    worker();
    return;
  }
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t)
    pool.emplace_back(worker);
  for (auto& t : pool)
    t.join();
}

} // namespace tavro::cli
