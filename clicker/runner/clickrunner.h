#pragma once

#include "clickscript.h"

#include <QString>

#include <cstdint>

namespace input {
class InputLayer;
}

/// Performs click scripts on the calling thread through an input layer: after a
/// pause of 500 ms, every plan line in order, each press held 50 ms and followed by its
/// line's delay. Every action keeps to one schedule counted from the start of the run, so
/// time spent between actions (moves, round trips to the display, logging, parsing) comes
/// out of the following waits instead of adding up, by at most 10 ms an action: one later than
/// that (a busy machine, the machine stood still) starts the schedule afresh from it, so the
/// next action keeps its full wait and overdue clicks never go out in a burst.
///
/// The thread is blocked for the whole run, so the Esc key is the way out: it is looked at
/// before every plan line and about every 10 ms of a wait, and a run stops before its next
/// action once it is held, releasing a press in progress first. A run stops the same way when
/// the user moves the mouse away from where the run put it (where the platform tells), and when
/// input no longer reaches the desktop (the user ended its remote-desktop session, its portal
/// refused a call or did not answer in time).
class ClickRunner final
{
public:
    /// The pause between the press of 执行 and the first action, and how long each press is held.
    static constexpr int startPauseMs = 500;
    static constexpr int pressHoldMs = 50;

    enum class Outcome {
        Performed,        ///< every plan line was performed
        StoppedByEscape,  ///< the user held Esc
        StoppedByMouse,   ///< the user moved the mouse away from where the run put it
        InputLost,        ///< input stopped reaching the desktop during the run
        InputUnavailable, ///< nothing was done: the platform cannot inject input
    };

    explicit ClickRunner(input::InputLayer &input) : input(input) {}

    /// Performs `script`, its schedule counted from `askedMicrosecondsAgo` before the call (the
    /// moment the user asked for the run), or from the user's consent where the desktop asked
    /// for one. Writes each plan line, each failure and a stop to the debug log.
    Outcome run(const QString &script, std::int64_t askedMicrosecondsAgo = 0);

    /// Why the last run found input unavailable or lost it, as an input layer error code.
    std::uint32_t failureReason() const { return failureCode; }

private:
    bool executeScript(const RunPlan &plan);
    bool executeLine(const QString &planLine);
    bool clickAt(int x, int y, int delayMs);
    bool moveCursorTo(int x, int y, int delayMs);
    void restartScheduleIfLate();
    bool waitUntil(std::int64_t deadlineUs);
    bool mayGoOn();

    input::InputLayer &input;
    std::int64_t nextActionUs = 0; // when the next press or move is due, on the steady clock
    std::uint32_t failureCode = 0;
};
