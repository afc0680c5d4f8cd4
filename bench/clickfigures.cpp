#include "clickfigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Percentiles
{
    double median;
    double p95;
};

Percentiles percentilesOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end(),
              [](double a, double b) { return std::abs(a) < std::abs(b); });
    return {values[values.size() / 2],
            values[std::min(values.size() - 1, values.size() * 95 / 100)]};
}

} // namespace

void printClickTableHeader(const char *clock)
{
    std::printf("clicks by %s (ms): drift = last release - first press - planned;\nerrors are "
                "median and p95 of |observed - planned|; first = start of the run to its first "
                "press\n",
                clock);
    std::printf("%-40s %6s %7s %6s %6s %6s %6s   %s\n", "", "plan", "drift", "hold", "p95", "gap",
                "p95", "first");
}

void printClickRow(const char *what, const std::vector<double> &events, int clicks, double holdMs,
                   double gapMs, double firstClickMs)
{
    if (events.size() != std::size_t(2 * clicks)) {
        std::printf("%-40s saw %zu button events of %d\n", what, events.size(), 2 * clicks);
        return;
    }
    std::vector<double> holdErrors;
    std::vector<double> gapErrors;
    for (std::size_t i = 0; i < events.size(); i += 2) {
        holdErrors.push_back(events[i + 1] - events[i] - holdMs);
        if (i + 2 < events.size())
            gapErrors.push_back(events[i + 2] - events[i + 1] - gapMs);
    }
    const double planned = clicks * holdMs + (clicks - 1) * gapMs;
    const double drift = events.back() - events.front() - planned;
    const Percentiles hold = percentilesOf(holdErrors);
    const Percentiles gap = percentilesOf(gapErrors);
    std::printf("%-40s %6.0f %+7.1f %+6.1f %+6.1f %+6.1f %+6.1f", what, planned, drift, hold.median,
                hold.p95, gap.median, gap.p95);
    if (firstClickMs >= 0)
        std::printf("   %.1f", firstClickMs);
    std::printf("\n");
}
