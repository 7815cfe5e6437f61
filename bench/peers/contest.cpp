#include "contest.h"

#include <algorithm>
#include <chrono>

namespace peers {

double TimeCalls(const Call &call, double minSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long calls = 0;
    double elapsed = 0;
    do {
        if (!call()) return -1.0;
        ++calls;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < minSeconds);
    return elapsed / static_cast<double>(calls);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace peers
