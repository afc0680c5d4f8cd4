#pragma once

#include <vector>

/// The table the click timing benchmarks print: its header, naming the clock the times come
/// from, and a row per series of clicks.
void printClickTableHeader(const char *clock);

/// A row for `clicks` clicks seen as press and release times in turn (ms): the drift (last
/// release - first press - planned) and the median and p95 of |observed - planned| for the
/// holds and the gaps between a release and the next press; and, where given, the time from
/// the start of the run to its first press.
void printClickRow(const char *what, const std::vector<double> &events, int clicks, double holdMs,
                   double gapMs, double firstClickMs = -1);
