#pragma once
// Running one job per input on several threads, with results kept in input order.

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
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
///
/// An exception thrown by work stops the batch: no item starts after it, the items already
/// running finish, and once every thread has stopped the first exception thrown is rethrown to
/// the caller. Which items ran is then unspecified but for jobs 1, where it is those before the
/// failed one.
inline void forEachParallel(std::size_t count, int jobs, const std::function<void(std::size_t, std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr firstError;
  std::mutex errorLock;
  auto worker = [&](std::size_t w) {
    try {
      for (std::size_t i = next++; i < count && !failed; i = next++)
        work(i, w);
    } catch (...) {
      std::lock_guard lock(errorLock);
      if (!firstError)
        firstError = std::current_exception();
      failed = true;
    }
  };
  const std::size_t threads = workerCount(count, jobs);
  if (threads == 1) {
    worker(0);
  } else {
    std::vector<std::thread> pool;
    pool.reserve(threads);
    try {
      for (std::size_t t = 0; t < threads; ++t)
        pool.emplace_back(worker, t);
    } catch (const std::system_error&) {
      // A thread the system will not start leaves its share to the others; with none started,
      // the caller does the work.
      if (pool.empty())
        worker(0);
    }
    for (auto& t : pool)
      t.join();
  }
  if (firstError)
    std::rethrow_exception(firstError);
}

} // namespace tavro::util
