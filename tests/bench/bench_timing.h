// Timing for the benchmarks: the median over batches of the mean time of one call, so that a
// busy machine's outliers do not decide the figure.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace qx::bench {

inline constexpr int kBatches = 31;

// Microseconds per call: the first call warms the caches and is not counted.
inline double MedianMicrosecondsPerCall(const std::function<void()>& call, int callsPerBatch) {
    std::vector<double> batches;
    call();
    for (int b = 0; b < kBatches; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < callsPerBatch; ++i) call();
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        batches.push_back(spent.count() / callsPerBatch);
    }
    std::nth_element(batches.begin(), batches.begin() + kBatches / 2, batches.end());
    return batches[kBatches / 2];
}

}  // namespace qx::bench
