// How exactly clicks are timed on a real X server: performs clicks through clickAt and
// measures, with the X server's own time stamps as an independent client receives them,
// how far each press hold and each delay after a release strays from what was asked.
// Then how soon the Esc key stops clicking: from the server time of an Esc press sent
// through XTest by another thread, to the last button event and to clickAt's return.
// Prints figures only. Usage: bench_clicktiming [clicks per run, default 100]
#include "clickrunner.h"
#include "xclickobserver.h"
#include "xescapepress.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int pressHoldMs = 50;
constexpr int observedX = 600;
constexpr int observedY = 100;
constexpr unsigned int observedSize = 20;
constexpr int escapeStops = 20;

struct ErrorFigures
{
    long median = 0;
    long p95 = 0;
    long worst = 0;
};

// Nearest-rank percentiles of the signed errors (positive: later than asked).
ErrorFigures figuresOf(std::vector<long> errors)
{
    std::sort(errors.begin(), errors.end());
    const auto rank = [&](double percent) {
        const auto index = static_cast<std::size_t>(percent / 100.0 * double(errors.size()));
        return errors[std::min(index, errors.size() - 1)];
    };
    return {rank(50), rank(95), errors.back()};
}

void printFigures(const char *what, const std::vector<long> &errors)
{
    if (errors.empty()) {
        std::printf("  %-16s no samples\n", what);
        return;
    }
    const ErrorFigures figures = figuresOf(errors);
    std::printf("  %-16s median %ld ms, p95 %ld ms, worst %ld ms, earliest %ld ms (%zu samples)\n",
                what, figures.median, figures.p95, figures.worst,
                *std::min_element(errors.begin(), errors.end()), errors.size());
}

bool measureRun(XClickObserver &observer, int clicks, int delayMs)
{
    const int x = observedX + int(observedSize) / 2;
    const int y = observedY + int(observedSize) / 2;
    for (int i = 0; i < clicks; ++i)
        clickAt(x, y, delayMs);

    const std::size_t expected = 2 * std::size_t(clicks);
    const std::vector<ObservedButtonEvent> events = observer.collect(expected, 5s);
    if (events.size() != expected) {
        std::printf("delay %d ms: the observer saw %zu of %zu button events\n", delayMs,
                    events.size(), expected);
        return false;
    }
    std::vector<long> holdErrors;
    std::vector<long> delayErrors;
    for (std::size_t i = 0; i + 1 < events.size(); i += 2) {
        holdErrors.push_back(long(events[i + 1].serverTimeMs - events[i].serverTimeMs) -
                             pressHoldMs);
        if (i + 2 < events.size())
            delayErrors.push_back(long(events[i + 2].serverTimeMs - events[i + 1].serverTimeMs) -
                                  delayMs);
    }
    std::printf("delay %d ms, %d clicks:\n", delayMs, clicks);
    printFigures("hold error", holdErrors);
    printFigures("delay error", delayErrors);
    return true;
}

// Clicks until Esc stops clickAt, escapeStops times; Esc comes at a different moment of the
// click each time. Returns false when a stop did not happen or left a press unreleased.
bool measureEscapeStops(XClickObserver &observer, int delayMs)
{
    const int x = observedX + int(observedSize) / 2;
    const int y = observedY + int(observedSize) / 2;
    std::vector<long> lastEventLatencies;
    std::vector<long> returnLatencies;
    for (int stop = 0; stop < escapeStops; ++stop) {
        observer.collect(SIZE_MAX, 0ms);
        const auto escapeAfter = std::chrono::milliseconds(120 + 13 * stop);
        ScheduledEscapePress escape(escapeAfter, 60ms);
        while (clickAt(x, y, delayMs)) {
        }
        const auto returnedAt = std::chrono::steady_clock::now();
        if (!escape.waitUntilReleased()) {
            std::printf("Esc could not be pressed through XTest\n");
            return false;
        }
        const std::vector<ObservedButtonEvent> events = observer.collect(SIZE_MAX, 200ms);
        if (events.size() % 2 != 0) {
            std::printf("delay %d ms: a press was left without its release\n", delayMs);
            return false;
        }
        if (!events.empty())
            lastEventLatencies.push_back(
                long(events.back().serverTimeMs - escape.pressServerTimeMs()));
        returnLatencies.push_back(long(
            std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - escape.pressedAt())
                .count()));
    }
    std::printf("Esc stops, delay %d ms, %d stops (ms after the press; last event by server "
                "time, may be before it):\n",
                delayMs, escapeStops);
    printFigures("to last event", lastEventLatencies);
    printFigures("to return", returnLatencies);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 100;
    if (clicks < 2) {
        std::printf("usage: %s [clicks per run, at least 2; default 100]\n", argv[0]);
        return 2;
    }
    XClickObserver observer(observedX, observedY, observedSize, observedSize);
    if (!observer.isConnected() || !observer.waitUntilMapped(5s)) {
        std::printf("no X server on DISPLAY (run under Xvfb, e.g. xvfb-run -a %s)\n", argv[0]);
        return 1;
    }
    std::printf("click timing on DISPLAY, from X server time stamps (1 ms resolution)\n");
    for (const int delayMs : {0, 1000}) {
        if (!measureRun(observer, clicks, delayMs))
            return 1;
    }
    for (const int delayMs : {0, 200}) {
        if (!measureEscapeStops(observer, delayMs))
            return 1;
    }
    return 0;
}
