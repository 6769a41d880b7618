// Wall-clock time and the median of repeated measurements, for the benchmark
// drivers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <vector>

namespace bench {

// Monotonic time in microseconds.
inline double now_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// The median of `samples` (the mean of the middle two for an even count); 0
// when there is none.
inline double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

} // namespace bench
