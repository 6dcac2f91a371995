#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

namespace vok::bench {

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// CLOCK_MONOTONIC in nanoseconds: the clock helper programs stamp their moments with too.
inline long long MonotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace vok::bench
