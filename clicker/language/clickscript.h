#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <variant>

/// A plan line as written in the script, performed `copies` times in a row.
struct PlanLine
{
    QString text;
    int copies = 1;
};

/// A block of plan lines performed in order, the whole block `repeats` times.
struct PlanSegment
{
    QList<PlanLine> lines;
    int repeats = 1;
};

/// The run plan of one script. Repeat markers and click counts are kept as counts, so
/// the plan costs memory in proportion to the script text, never to the counts.
using RunPlan = QList<PlanSegment>;

/// Cuts a script into lines and expands repeat markers and click counts into a run plan.
RunPlan buildRunPlan(const QString &script);

/// Calls `visit` with every plan line of the full expansion, in order, until it returns
/// false. Returns false when `visit` stopped the walk.
bool forEachPlanLine(const RunPlan &plan, const std::function<bool(const QString &)> &visit);

/// What one plan line asks for when performed.
struct ClickStep
{
    bool moveOnly = false;
    int x = 0;
    int y = 0;
    int delayMs = 0;
    int count = 1;
};

/// The field group of a plan line that did not parse.
enum class ParseFailure { Coordinates, Delay, RepeatCount };

/// The log message of a parse failure; it ends in ": ".
const char *parseFailureMessage(ParseFailure failure);

/// Parses one plan line into a click step, or names the field group that is invalid.
std::variant<ClickStep, ParseFailure> parseClickStep(const QString &planLine);
