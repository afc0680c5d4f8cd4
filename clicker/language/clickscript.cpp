#include "clickscript.h"

#include <QRegularExpression>
#include <QStringTokenizer>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr QChar fieldSeparator = scriptFieldSeparator;
constexpr QChar markerLead(u'*');
constexpr QChar moveLead(u'#');
constexpr qsizetype separatorsOfCountedStep = 3;
constexpr qsizetype fieldsOfCountedStep = separatorsOfCountedStep + 1;

const QRegularExpression &markerPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\*(\\d+)$"));
    return pattern;
}

// Every number of the language is read this one way, so fields and counts never disagree.
std::optional<int> toNumber(QStringView field)
{
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Collects plan lines into the segment that the next repeat marker closes.
class PlanBuilder final
{
public:
    void addLine(QStringView line, int copies)
    {
        if (copies > 0)
            current.append(PlanLine{line.toString(), copies});
    }

    // An empty segment performs nothing however often it repeats, so the plan skips it.
    void closeSegment(int repeats)
    {
        if (repeats > 0 && !current.isEmpty())
            plan.append(PlanSegment{current, repeats});
        current.clear();
    }

    RunPlan finish()
    {
        closeSegment(1);
        return std::move(plan);
    }

private:
    RunPlan plan;
    QList<PlanLine> current;
};

// A step line with a click count stands for that many copies of its first three fields.
ScriptLine readCountedStep(QStringView line)
{
    const qsizetype lastSeparator = line.lastIndexOf(fieldSeparator);
    const std::optional<int> clicks = toNumber(line.mid(lastSeparator + 1));
    return {LineKind::CountedStep, line.left(lastSeparator), std::max(clicks.value_or(0), 0),
            clicks};
}

} // namespace

ScriptLine readScriptLine(QStringView line)
{
    if (line.isEmpty())
        return {};
    if (line.front() == markerLead) {
        const QRegularExpressionMatch match = markerPattern().match(line);
        if (!match.hasMatch())
            return {LineKind::OtherAsterisk, {}, 0, std::nullopt};
        return {LineKind::RepeatMarker, {}, 0, toNumber(match.capturedView(1))};
    }
    if (line.front() == moveLead)
        return {LineKind::Move, line, 1, 1};
    const qsizetype separators = line.count(fieldSeparator);
    if (separators == 1 || separators == 2)
        return {LineKind::Step, line, 1, 1};
    if (separators == separatorsOfCountedStep)
        return readCountedStep(line);
    return {LineKind::Other, {}, 0, std::nullopt};
}

RunPlan buildRunPlan(const QString &script)
{
    PlanBuilder builder;
    for (const QStringView line : qTokenize(script, u'\n', Qt::SkipEmptyParts)) {
        const ScriptLine read = readScriptLine(line);
        if (read.kind == LineKind::RepeatMarker) // digits beyond int repeat nothing, like *0
            builder.closeSegment(read.count.value_or(0));
        else
            builder.addLine(read.planLine, read.copies);
    }
    return builder.finish();
}

bool forEachPlanLine(const RunPlan &plan, const std::function<bool(const QString &)> &visit)
{
    // Counts are walked, never multiplied, so no product of two counts can overflow.
    for (const PlanSegment &segment : plan) {
        for (int repeat = 0; repeat < segment.repeats; ++repeat) {
            for (const PlanLine &line : segment.lines) {
                for (int copy = 0; copy < line.copies; ++copy) {
                    if (!visit(line.text))
                        return false;
                }
            }
        }
    }
    return true;
}

PlanTally tallyRunPlan(const RunPlan &plan)
{
    PlanTally tally;
    for (const PlanSegment &segment : plan) {
        for (const PlanLine &line : segment.lines) {
            const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(line.text);
            const auto *step = std::get_if<ClickStep>(&parsed);
            if (!step || step->count <= 0)
                continue;
            const double times = double(segment.repeats) * line.copies * step->count;
            (step->moveOnly ? tally.moves : tally.clicks) += times;
            tally.delayMs += times * std::max(step->delayMs, 0);
        }
    }
    return tally;
}

const char *parseFailureMessage(ParseFailure failure)
{
    switch (failure) {
    case ParseFailure::Coordinates:
        return "Invalid coordinate values in input: ";
    case ParseFailure::Delay:
        return "Invalid delay value in input: ";
    case ParseFailure::RepeatCount:
        return "Invalid repeat count in input: ";
    }
    Q_UNREACHABLE();
}

std::variant<ClickStep, ParseFailure> parseClickStep(const QString &planLine)
{
    ClickStep step;
    step.moveOnly = planLine.startsWith(moveLead);
    QStringView body = step.moveOnly ? QStringView(planLine).mid(1).trimmed() : planLine;
    if (body.startsWith(fieldSeparator))
        body = body.mid(1);

    const QList<QStringView> fields = body.split(fieldSeparator);
    if (fields.size() < 2)
        return step;

    const std::optional<int> x = toNumber(fields[0]);
    const std::optional<int> y = toNumber(fields[1]);
    if (!x || !y)
        return ParseFailure::Coordinates;
    step.x = *x;
    step.y = *y;
    step.positionGiven = true;
    if (fields.size() == 2)
        return step;

    // Seconds become milliseconds; a delay that no longer fits an int is as invalid as text.
    const std::optional<int> seconds = toNumber(fields[2]);
    const qint64 delayMs = seconds.value_or(0) * qint64(1000);
    if (!seconds || delayMs > std::numeric_limits<int>::max() ||
        delayMs < std::numeric_limits<int>::min())
        return ParseFailure::Delay;
    step.delayMs = int(delayMs);
    if (fields.size() != fieldsOfCountedStep)
        return step;

    const std::optional<int> count = toNumber(fields[3]);
    if (!count)
        return ParseFailure::RepeatCount;
    step.count = *count;
    return step;
}
