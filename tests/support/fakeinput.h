#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

/// Stands in for the platform input layer: records each call at the virtual time it was made,
/// and sleeping advances that clock instead of blocking, so runs are checked to the microsecond.
namespace fakeinput {

struct Setup
{
    QList<std::optional<std::uint32_t>> moves; ///< each move's refusal code in turn, if any
    std::int64_t escapeFromUs = -1;            ///< Esc is held over [from, until)
    std::int64_t escapeUntilUs = -1;
    int escapeFromLook = -1;     ///< or from this look at the key on (the first is 1)
    std::int64_t callCostUs = 0; ///< what each move and button call takes
    std::uint32_t beginRunError = 0;
};

void reset(const Setup &setup = {});

/// "<ms> move x,y[ refused]", "<ms> down x,y", "<ms> up x,y" and "<ms> wait <ms>" for sleeps
/// in a row, "; "-separated.
QString timeline();

} // namespace fakeinput
