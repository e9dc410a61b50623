#pragma once
// What the benchmarks share.

#include <sys/resource.h>

namespace tavro::bench {

/// The peak resident memory of this process so far, in MB.
inline double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

} // namespace tavro::bench
