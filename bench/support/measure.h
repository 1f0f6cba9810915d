// Small measuring helpers the benchmark programs share: CPU clocks of this
// thread, this process and its finished children, and the median and spread
// of runs.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <vector>

namespace benchsupport {

inline double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

inline double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// User and system time of the child processes waited for so far.
inline double ChildrenCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The middle value (the upper one of an even count).
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median, quartiles and extremes of a set of per-round figures.
struct Spread {
    double median = 0, q1 = 0, q3 = 0, low = 0, high = 0;
};
inline Spread SpreadOf(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.q1 = v[v.size() / 4];
    s.q3 = v[v.size() * 3 / 4];
    s.low = v.front();
    s.high = v.back();
    return s;
}

}  // namespace benchsupport
