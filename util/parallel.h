#pragma once
// Running one job per input on several threads, with results kept in input order.

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace tavro::util {

/// The number of jobs -j means by default: the machine's cores.
inline int defaultJobs() { return int(std::max(1u, std::thread::hardware_concurrency())); }

/// The number of threads forEachParallel uses for count jobs.
inline std::size_t workerCount(std::size_t count, int jobs) {
  return std::max<std::size_t>(1, std::min<std::size_t>(count, std::size_t(std::max(1, jobs))));
}

/// Calls work(i, worker) for every i below count on workerCount(count, jobs) threads; worker
/// numbers the thread (from 0), so that each can keep tools of its own. Each call must touch
/// only its own results; the caller reads them, in order, once this returns.
inline void forEachParallel(std::size_t count, int jobs, const std::function<void(std::size_t, std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  auto worker = [&](std::size_t w) {
    for (std::size_t i = next++; i < count; i = next++)
      work(i, w);
  };
  const std::size_t threads = workerCount(count, jobs);
  if (threads == 1) {
    worker(0);
    return;
  }
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t)
    pool.emplace_back(worker, t);
  for (auto& t : pool)
    t.join();
}

} // namespace tavro::util
