#pragma once

// Figures over the timings of repeated rounds: the best is what the machine can do, the median
// what a busy moment leaves of it.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vnd::bench
{

inline double best(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

inline double quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::size_t(q * double(v.size() - 1))];
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace vnd::bench
