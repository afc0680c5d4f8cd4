// Feeds arbitrary text to the click script language, the way a typed or loaded script
// reaches it: built into a run plan whose lines are parsed one by one, and every raw line
// parsed as well, whatever its kind. What the editor says must agree with what a run does:
// the 执行 summary counts what the walk performs, and every line that the run ignores, that
// fails there or that acts at (0, 0) for want of X and Y is marked.
#include "clickscript.h"
#include "linehint.h"

#include <QString>
#include <QStringTokenizer>

#include <algorithm>
#include <cmath>
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

/// A line that reaches the run and fails there or acts at (0, 0) for want of X and Y, or that
/// the run ignores, is a warning; a line's words are there exactly when it is marked.
void checkHint(QStringView line)
{
    const ScriptLine read = readScriptLine(line);
    const LineHint hint(line);
    bool amiss = false;
    if (read.copies > 0) {
        const auto parsed = parseClickStep(read.planLine.toString());
        const auto *step = std::get_if<ClickStep>(&parsed);
        amiss = !step || !step->positionGiven;
    }
    if (amiss || read.kind == LineKind::Other || read.kind == LineKind::OtherAsterisk)
        require(hint.level() == LineHint::Level::Warning);
    require(hint.text([] { return std::optional<QString>(); }).isEmpty() ==
            (hint.level() == LineHint::Level::None));
}

/// What one walk of the plan performed, counted as the tally counts.
void addPerformed(PlanTally &performed, const QString &planLine)
{
    const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(planLine);
    const auto *step = std::get_if<ClickStep>(&parsed);
    if (!step || step->count <= 0)
        return;
    (step->moveOnly ? performed.moves : performed.clicks) += step->count;
    performed.delayMs += double(step->count) * std::max(step->delayMs, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString script =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    const RunPlan plan = buildRunPlan(script);
    checkPlanShape(plan, script);
    int visitedLines = 0;
    PlanTally performed;
    const bool walkedToEnd = forEachPlanLine(plan, [&](const QString &line) {
        addPerformed(performed, line);
        return ++visitedLines < maxVisitedLines;
    });
    require(walkedToEnd == (visitedLines < maxVisitedLines));
    if (walkedToEnd) {
        // Added in another order, the delays may round apart in their last bits.
        const PlanTally tally = tallyRunPlan(plan);
        require(tally.clicks == performed.clicks && tally.moves == performed.moves &&
                std::abs(tally.delayMs - performed.delayMs) <= 1e-9 * performed.delayMs);
    }

    for (const QStringView line : qTokenize(script, u'\n')) {
        parseClickStep(line.toString());
        checkHint(line);
    }
    return 0;
}
