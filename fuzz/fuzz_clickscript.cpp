// Feeds arbitrary text to the click script language, the way a typed or loaded script
// reaches it: built into a run plan whose lines are parsed one by one, and every raw line
// parsed as well, whatever its kind.
#include "clickscript.h"

#include <QString>
#include <QStringTokenizer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A marker such as *2147483647 would otherwise stretch one input into minutes of walking.
// Lines hidden behind such a count are still parsed, once each, by checkPlanShape.
constexpr int maxVisitedLines = 1000;

/// Ends the run as a finding when a property of the language does not hold.
void require(bool holds)
{
    if (!holds)
        std::abort();
}

/// Step lines had their click count expanded into copies, so only a move line can still
/// carry a count of its own.
void checkPlanLine(const QString &line)
{
    const auto result = parseClickStep(line);
    if (line.startsWith(u'#'))
        return;
    const auto *step = std::get_if<ClickStep>(&result);
    require(step ? step->count == 1 : std::get<ParseFailure>(result) != ParseFailure::RepeatCount);
}

/// Counts are kept as counts: the plan holds each script line at most once.
void checkPlanShape(const RunPlan &plan, const QString &script)
{
    qsizetype heldLines = 0;
    for (const PlanSegment &segment : plan) {
        require(segment.repeats > 0 && !segment.lines.isEmpty());
        for (const PlanLine &line : segment.lines) {
            require(line.copies > 0);
            checkPlanLine(line.text);
            ++heldLines;
        }
    }
    require(heldLines <= script.count(u'\n') + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString script =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    const RunPlan plan = buildRunPlan(script);
    checkPlanShape(plan, script);
    int visitedLines = 0;
    const bool walkedToEnd = forEachPlanLine(plan, [&](const QString &line) {
        parseClickStep(line);
        return ++visitedLines < maxVisitedLines;
    });
    require(walkedToEnd == (visitedLines < maxVisitedLines));

    for (const QStringView line : qTokenize(script, u'\n'))
        parseClickStep(line.toString());
    return 0;
}
