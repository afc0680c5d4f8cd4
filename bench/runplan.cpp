// How long building a run plan takes and how much it allocates: per line for a long
// script, and for a short script whose repeat markers and click counts are at the int limit.
#include "clickscript.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <cstddef>

// glibc's own allocator entry points, so the counting wrappers below can hand on to them.
extern "C" void *__libc_malloc(std::size_t size);
extern "C" void *__libc_calloc(std::size_t count, std::size_t size);
extern "C" void *__libc_realloc(void *pointer, std::size_t size);

namespace {

// Qt's containers allocate with malloc, not operator new, so the bench counts at malloc.
bool countingAllocations = false;
std::size_t allocatedBytes = 0;

void *counted(void *pointer, std::size_t size)
{
    if (countingAllocations)
        allocatedBytes += size;
    return pointer;
}

} // namespace

extern "C" void *malloc(std::size_t size)
{
    return counted(__libc_malloc(size), size);
}

extern "C" void *calloc(std::size_t count, std::size_t size)
{
    return counted(__libc_calloc(count, size), count * size);
}

extern "C" void *realloc(void *pointer, std::size_t size)
{
    return counted(__libc_realloc(pointer, size), size);
}

namespace {

constexpr int longScriptLines = 10000;

// A long script that mixes every line kind that adds to the plan.
QString longScript()
{
    const QStringList pattern{
        "100，200",      "300，400，1", "#500，600，0", "700，800，0，3", "，10，20",
        "#30，40，1，2", "50，60，-1",  "70，80，2，2", "90，100",        "*5"};
    QString script;
    for (int line = 0; line < longScriptLines; ++line)
        script += pattern[line % pattern.size()] + u'\n';
    return script;
}

// Bytes requested from the heap while one plan is built (a reallocation counts in full).
void reportAllocatedBytes(benchmark::State &state, const QString &script)
{
    allocatedBytes = 0;
    countingAllocations = true;
    const RunPlan plan = buildRunPlan(script);
    countingAllocations = false;
    state.counters["allocated_bytes"] = double(allocatedBytes);
    state.counters["script_bytes"] = double(script.size() * sizeof(QChar));
}

void buildLongScriptPlan(benchmark::State &state)
{
    const QString script = longScript();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildRunPlan(script));
    state.counters["time_per_line"] =
        benchmark::Counter(longScriptLines, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
    reportAllocatedBytes(state, script);
}

void buildHugeCountPlan(benchmark::State &state, const char *scriptUtf8)
{
    const QString script = QString::fromUtf8(scriptUtf8);
    for (auto _ : state)
        benchmark::DoNotOptimize(buildRunPlan(script));
    reportAllocatedBytes(state, script);
}

} // namespace

BENCHMARK(buildLongScriptPlan)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(buildHugeCountPlan, marker, "900，600\n*2147483647")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(buildHugeCountPlan, clickCount, "900，600，0，2147483647")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(buildHugeCountPlan, allKinds,
                  "900，600\n*2147483647\n900，600，0，2147483647\n*2147483647\n"
                  "#900，600，1，2147483647\n900，600，1，2147483647")
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
