// The benchmarks' clocks, and the ways they take a steady figure out of several rounds on a
// machine that other work shares: the best round, or the median of samples that alternate
// with the baseline's so that a busy moment slows both sides alike.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace bench {

// Wall-clock seconds from the performance counter.
inline double Seconds()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The process's own processor time (user and kernel): less disturbed by other work on a
// shared machine than the wall clock.
inline double CpuSeconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return value(kernel) + value(user);
}

// Wall and processor seconds; the default is "no round yet", so that Best of it and a
// measured round is the round.
struct Times {
    double wall = 1e30;
    double cpu = 1e30;
};

inline Times Best(Times a, Times b)
{
    return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

// Started at construction.
class Stopwatch {
public:
    Times Elapsed() const { return {Seconds() - m_wall, CpuSeconds() - m_cpu}; }
    double WallSeconds() const { return Seconds() - m_wall; }

private:
    double m_wall = Seconds();
    double m_cpu = CpuSeconds();
};

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The value below which the fraction p of the values lie (p in [0, 1]).
inline double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// Microseconds per call of fn, over reps calls; drawing still queued counts with them.
template <typename Fn> double MicrosecondsPerCall(int reps, Fn&& fn)
{
    const double start = Seconds();
    for (int i = 0; i < reps; ++i)
        fn();
    GdiFlush();
    return (Seconds() - start) * 1e6 / reps;
}

// The medians of samples of the operation and of its baseline (microseconds per call, each
// sample over reps calls). The samples alternate, so that other work on the machine slows
// both alike and the ratio stays meaningful; one call of each first, out of the count.
template <typename Op, typename Base>
std::pair<double, double> PairedMedians(int samples, int reps, Op&& op, Base&& base)
{
    op();
    base();
    std::vector<double> a, b;
    for (int s = 0; s < samples; ++s) {
        a.push_back(MicrosecondsPerCall(reps, op));
        b.push_back(MicrosecondsPerCall(reps, base));
    }
    return {Median(a), Median(b)};
}

} // namespace bench
