#pragma once

#include "clickscript.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

/// What the editor says about one line of a click script: whether a run performs it as
/// written and, when not, why, in the user's words. The rules are the click language's own
/// (readScriptLine, parseClickStep); this only puts their verdict into words.
class LineHint final
{
public:
    enum class Level {
        None,    ///< performed as written: nothing to say
        Effect,  ///< a repeat marker that repeats: what it repeats
        Warning, ///< not performed as written
    };

    /// Gives the lines above a repeat marker, nearest first, one a call; nothing past the top.
    using LinesUpward = std::function<std::optional<QString>()>;

    explicit LineHint(QStringView line);

    Level level() const { return verdict; }

    /// In words, for a tooltip; empty for Level::None. A repeat marker counts the lines it
    /// repeats, read through `linesUpward`, which no other kind of line calls.
    QString text(const LinesUpward &linesUpward) const;

    /// Whether `line` is written with ASCII commas where the language needs "，" (and has no
    /// "，" at all), so that replacing them is the fix.
    static bool hasAsciiCommas(QStringView line);

private:
    QString markerText(const LinesUpward &linesUpward) const;

    LineKind kind;
    std::optional<int> count;
    bool asciiCommas;
    bool anySeparator;
    std::optional<ParseFailure> failure;
    bool positionGiven = true;
    QString failingPlanLine;
    Level verdict = Level::None;
};
