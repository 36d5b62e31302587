#pragma once
// The benchmarks' clock and their summary of a run.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace kova::bench {

// Milliseconds on the performance counter.
inline double Now()
{
    LARGE_INTEGER freq, t;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace kova::bench
