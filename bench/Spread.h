// Min / median / max of a bench's samples, as every comparison prints them.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

struct Spread
{
    double min = 0, median = 0, max = 0;
};

inline Spread spread(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.back()};
}

// One line: the label padded to `width`, then min / median / max and the unit.
inline void printSpread(const char *what, const std::vector<double> &v, const char *unit, int width = 30)
{
    const Spread s = spread(v);
    std::printf("%-*s %8.2f / %8.2f / %8.2f %s\n", width, what, s.min, s.median, s.max, unit);
}

} // namespace bench
