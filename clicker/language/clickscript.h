#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <variant>

/// The field separator of the language, the full-width comma of Chinese text.
constexpr QChar scriptFieldSeparator(0xFF0C);

/// What a line of a script is to the run plan. A line is of the first kind it fits, in this
/// order; whether it begins with "*" or "#" is decided on its first character alone.
enum class LineKind {
    Empty,         ///< no characters at all
    RepeatMarker,  ///< "*" and ASCII digits, nothing else: repeats the lines since the last one
    OtherAsterisk, ///< any other line beginning with "*": ignored, the lines before it go on
    Move,          ///< begins with "#": moves the cursor
    Step,          ///< one or two "，": a click
    CountedStep,   ///< three "，": a click, repeated by its fourth field
    Other,         ///< no "，", or four or more: ignored
};

/// One line of a script as the run plan reads it.
struct ScriptLine
{
    LineKind kind = LineKind::Empty;
    /// What the line puts into the run plan: the line itself, or a counted step's first three
    /// fields; empty for the kinds that put nothing in.
    QStringView planLine;
    /// How many times planLine goes in: 0 for the kinds that put nothing in, and for a
    /// counted step whose count is not a positive number.
    int copies = 0;
    /// The count the line writes: a counted step's click count or a marker's repeat count,
    /// nothing when that is not a number within the int range; 1 for moves and steps.
    std::optional<int> count;
};

/// Sorts one line of a script, without its line feed, into its kind, as buildRunPlan does.
/// `planLine` views `line`.
ScriptLine readScriptLine(QStringView line);

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

/// What a run plan performs, counted from its counts without walking the repeats. The counts
/// multiplied (repeats of a segment, copies of a line, a move's own count) outgrow every
/// integer type, so they are kept as doubles: exact up to 2^53, close beyond.
struct PlanTally
{
    double clicks = 0;
    double moves = 0;
    /// The delays of every press and move added up; a delay of 0 or less adds nothing.
    double delayMs = 0;
};

/// Counts what `plan` performs: each plan line is parsed once, whatever its counts.
PlanTally tallyRunPlan(const RunPlan &plan);

/// What one plan line asks for when performed.
struct ClickStep
{
    bool moveOnly = false;
    int x = 0;
    int y = 0;
    /// Whether the line gives X and Y; a line that does not is performed at (0, 0).
    bool positionGiven = false;
    int delayMs = 0;
    int count = 1;
};

/// The field group of a plan line that did not parse.
enum class ParseFailure { Coordinates, Delay, RepeatCount };

/// The log message of a parse failure; it ends in ": ".
const char *parseFailureMessage(ParseFailure failure);

/// Parses one plan line into a click step, or names the field group that is invalid.
std::variant<ClickStep, ParseFailure> parseClickStep(const QString &planLine);
