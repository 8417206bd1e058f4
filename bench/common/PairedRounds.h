#pragma once

// Ratios of CPU times on a shared, noisy machine. A ratio is taken within a
// round, whose two sides run back to back, so that a busy spell falls on
// both; the rounds give a median and a spread.
//
// The heap is put in a known state first. Left to glibc's thresholds, the
// memory of a large run may go back to the kernel after each run (and be
// faulted in again, page by page, by the next) while a small run's memory
// stays in the process: the large side then pays page faults the small side
// never pays, and the ratio says nothing about the code.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

enum class Heap {
    Cold, // freed memory handed back before every run: each run faults in all it uses
    Warm, // freed memory kept in the process: each run reuses pages already there
};

inline const char *heapName(Heap heap)
{
    return heap == Heap::Cold ? "Cold" : "Warm";
}

inline const char *heapMeaning(Heap heap)
{
    return heap == Heap::Cold ? "every run faults in its memory, like a first run"
                              : "memory reused between runs";
}

// Call before measuring in `heap`; Warm stays in force for the process.
inline void setHeap(Heap heap)
{
#if defined(__GLIBC__)
    if (heap == Heap::Warm) {
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest glibc allows
    }
#else
    (void)heap;
#endif
}

inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

template <class Work>
double timedRun(Heap heap, const Work &work)
{
#if defined(__GLIBC__)
    if (heap == Heap::Cold)
        malloc_trim(0);
#else
    (void)heap;
#endif
    const double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

struct Samples
{
    std::vector<double> small;  // CPU seconds of one small run, per round
    std::vector<double> large;  // CPU seconds of the large run, per round
    std::vector<double> ratios; // large / small, per round
};

// Each round runs `small` `repeat` times and `large` once (which first
// alternates); `large` is meant to do `repeat` times the work of `small`.
template <class Small, class Large>
Samples pairedRatios(Heap heap, const Small &small, const Large &large, int rounds, int repeat)
{
    Samples s;
    for (int r = 0; r < rounds; ++r) {
        double one = 0, big = 0;
        if (r % 2)
            big = timedRun(heap, large);
        for (int i = 0; i < repeat; ++i)
            one += timedRun(heap, small) / repeat;
        if (r % 2 == 0)
            big = timedRun(heap, large);
        s.small.push_back(one);
        s.large.push_back(big);
        s.ratios.push_back(one > 0 ? big / one : 0);
    }
    return s;
}

inline std::vector<double> quotients(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> q;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        q.push_back(b[i] > 0 ? a[i] / b[i] : 0);
    return q;
}

inline std::vector<double> scaled(std::vector<double> v, double factor)
{
    for (double &x : v)
        x *= factor;
    return v;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "what  median [min - max]"
inline void printSpread(const char *what, const std::vector<double> &v)
{
    if (v.empty())
        return;
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("  %-50s %7.2f  [%.2f - %.2f]\n", what, median(v), *lo, *hi);
}
