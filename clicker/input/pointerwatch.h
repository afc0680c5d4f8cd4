#pragma once

#include "streamconnection.h"
#include "streamlayout.h"

#include <chrono>
#include <vector>

/// Tells the user's hand on the mouse from a run's own moves on a Wayland desktop, where the
/// program sees the pointer only as the desktop shows it: in the cursor metadata of a
/// remote-desktop session's screen-cast streams. Between actions the pointer is where the run
/// put it; seen more than a few pixels from there, on a monitor, it was moved by the user. The
/// desktop carries out a move some time after it was asked for (the portal may be slow to take
/// the call) and the metadata trails it by a frame or so, so where the run put the pointer
/// before still counts as the run's until a moment after the move was taken; until a moment
/// after the run's first move was taken the pointer is the user's own.
class PointerWatch final
{
public:
    /// Watches `streams` through the PipeWire remote `remoteFd`, which stays the caller's.
    PointerWatch(int remoteFd, const std::vector<input::ScreenCastStream> &streams);

    /// The run asks the desktop to put the pointer at `point`.
    void expect(const input::StreamPoint &point);

    /// The desktop has taken the move last expected.
    void moveTaken();

    /// Whether the user has moved the pointer away from where the run put it, after taking in
    /// what the streams brought meanwhile.
    bool movedByUser();

    /// Whether the desktop has taken a stream away, as it does when it ends the session, after
    /// taking in what arrived meanwhile.
    bool streamsWithdrawn();

private:
    struct Placed
    {
        input::StreamPoint point;
        std::chrono::steady_clock::time_point until; // the pointer may be seen there
    };

    void seen(const input::ScreenCastStream &stream, const spa_buffer &buffer);

    StreamConnection connection;
    std::vector<Placed> placed; // by the run, newest last
    std::chrono::steady_clock::time_point watchFrom = std::chrono::steady_clock::time_point::max();
    bool moved = false;
};
