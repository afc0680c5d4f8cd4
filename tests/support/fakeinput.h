#pragma once

#include <QList>
#include <QStringList>

#include <cstdint>
#include <optional>

/// Stands in for the platform input layer while it lives: records every call with the
/// virtual time at which it was made, and lets sleeping advance that virtual clock instead
/// of blocking, so a run of many seconds is checked in an instant. The clock starts at 0.
/// Only one may be alive at a time; calls made while none is alive are ignored.
class FakeInput final
{
public:
    FakeInput();
    ~FakeInput();
    FakeInput(const FakeInput &) = delete;
    FakeInput &operator=(const FakeInput &) = delete;

    /// Decides the outcome of the next cursor moves in order: an entry with an error code
    /// makes that move fail and sets the last error code; an empty entry lets it succeed.
    /// Moves beyond the list succeed.
    void scriptCursorMoves(const QList<std::optional<std::uint32_t>> &outcomes);

    /// Holds the Esc key down from `fromMicroseconds` until just before `untilMicroseconds`
    /// on the virtual clock. Several spans may be given.
    void holdEscape(qint64 fromMicroseconds, qint64 untilMicroseconds);

    /// What the platform would have seen so far, one line per event: the virtual time in
    /// microseconds, then the call with its arguments, e.g. "550000 sendMouseButton(LeftUp,
    /// 100, 200)". Sleeps in a row show as one "wait(ms)" with their total: how a wait is cut
    /// into slices is the runner's business. Looks at the clock and the Esc key leave no
    /// line. Tests compare whole timelines, so a failure shows where the runs part.
    QStringList timeline() const;
};
