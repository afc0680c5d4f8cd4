#include "clickrunner.h"

#include "clickscript.h"
#include "input.h"

#include <QDebug>

#include <algorithm>

namespace {

constexpr std::int64_t startPauseUs = ClickRunner::startPauseMs * 1000;
constexpr std::int64_t pressHoldUs = ClickRunner::pressHoldMs * 1000;
// How late an action may be and still keep to the schedule, the wait or hold after it shortened
// by as much. Later (a busy machine, a display that blocked, a laptop suspended), the schedule
// starts again from it: the next action would otherwise follow in its wake, a press late by most
// of its period making a double click the script never asked for, a long stall every missed
// click in a burst. A late press keeps its whole hold when a delay follows to make up for it;
// without one, up to this much of the hold goes to catching up, which covers the round trips of
// clicks in a row (a fraction of a millisecond to an X server, three calls of a millisecond or
// two through a remote-desktop portal, where the release and the next move and press are all
// due at the same moment), so they do not drift.
constexpr std::int64_t catchUpUs = 10'000;
// The window is frozen while a run lasts, so the Esc key is the only way out; a wait looks
// at it this often, which keeps a stop within 20 ms even when a slice wakes late.
constexpr std::int64_t escapeCheckUs = 10'000;
// A sleep wakes up late on a busy machine, by a millisecond or two; the last stretch of each
// wait looks at the clock (and the Esc key) instead, so the action after it keeps to its time.
constexpr std::int64_t watchedEndUs = 2'000;

std::int64_t microseconds(int milliseconds)
{
    return std::int64_t{std::max(milliseconds, 0)} * 1000;
}

// Keeps the platform ready for exactly as long as the run lasts.
class InputSession final
{
public:
    explicit InputSession(input::InputLayer &layer) : layer(layer), readiness(layer.beginRun()) {}
    ~InputSession()
    {
        if (readiness.error == 0)
            layer.endRun();
    }
    InputSession(const InputSession &) = delete;
    InputSession &operator=(const InputSession &) = delete;

    input::InputLayer &layer;
    const input::Readiness readiness;
};

} // namespace

ClickRunner::Outcome ClickRunner::run(const QString &script, std::int64_t askedMicrosecondsAgo)
{
    // The schedule counts from the moment the run was asked for: what happened since (the
    // first run of a program opens its connection to the display) belongs to the pause.
    const std::int64_t askedUs = input.steadyMicroseconds() - askedMicrosecondsAgo;
    const InputSession session(input);
    failureCode = session.readiness.error;
    if (failureCode != 0) {
        qDebug() << "Run not started, input cannot be injected. Error code:" << failureCode;
        return Outcome::InputUnavailable;
    }
    // The pause gives the user time to let go of the mouse before the first synthetic press,
    // or to move the hand back from the desktop's consent dialog, and the plan is built within
    // it, so the first press is on time. Esc already held when the button is clicked stops the
    // run at once: an emergency key must not wait for a press to be let go first.
    const RunPlan plan = buildRunPlan(script);
    nextActionUs = std::max(askedUs, session.readiness.grantedUs) + startPauseUs;
    if (waitUntil(nextActionUs) && executeScript(plan))
        return Outcome::Performed;
    failureCode = input.inputLost();
    switch (failureCode) {
    case 0:
        if (input.pointerMovedByUser()) {
            qDebug() << "Run stopped: the mouse was moved";
            return Outcome::StoppedByMouse;
        }
        qDebug() << "Run stopped by Esc key";
        return Outcome::StoppedByEscape;
    case input::remoteDesktopEndedError:
        qDebug() << "Run stopped: the desktop ended its remote-desktop session";
        break;
    case input::remoteDesktopLateError:
        qDebug() << "Run stopped: the desktop's remote-desktop service did not answer in time";
        break;
    default:
        qDebug() << "Run stopped: the desktop's remote-desktop service refused a pointer call";
        break;
    }
    return Outcome::InputLost;
}

bool ClickRunner::executeScript(const RunPlan &plan)
{
    return forEachPlanLine(plan, [this](const QString &planLine) {
        // Lines that fail to parse or have a count of 0 do nothing and never wait, so a
        // script of only such lines, repeated millions of times, is only stoppable here.
        if (!mayGoOn())
            return false;
        qDebug() << planLine;
        return executeLine(planLine);
    });
}

bool ClickRunner::executeLine(const QString &planLine)
{
    const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(planLine);
    if (const ParseFailure *failure = std::get_if<ParseFailure>(&parsed)) {
        qDebug() << parseFailureMessage(*failure) << planLine;
        return true;
    }
    const ClickStep &step = std::get<ClickStep>(parsed);
    for (int performed = 0; performed < step.count; ++performed) {
        const bool goOn = step.moveOnly ? moveCursorTo(step.x, step.y, step.delayMs)
                                        : clickAt(step.x, step.y, step.delayMs);
        if (!goOn)
            return false;
    }
    return true;
}

bool ClickRunner::clickAt(int x, int y, int delayMs)
{
    restartScheduleIfLate();
    const std::int64_t pressDueUs = nextActionUs;
    // A refused cursor move goes unnoticed here: the press lands wherever the cursor is. Input
    // taken away is another matter: nothing would land at all.
    input.setCursorPosition(x, y);
    if (input.inputLost())
        return false;
    const std::int64_t pressedUs = input.steadyMicroseconds();
    input.sendMouseButton(input::MouseButtonEvent::LeftDown, x, y);
    const std::int64_t holdShortenedUs = delayMs > 0 ? 0 : catchUpUs;
    const std::int64_t releaseUs =
        std::max(pressDueUs + pressHoldUs, pressedUs + pressHoldUs - holdShortenedUs);
    // Esc may cut the hold short, but the button is never left down.
    const bool heldToTheEnd = waitUntil(releaseUs);
    input.sendMouseButton(input::MouseButtonEvent::LeftUp, x, y);
    nextActionUs = pressDueUs + pressHoldUs + microseconds(delayMs);
    return heldToTheEnd && waitUntil(nextActionUs);
}

bool ClickRunner::moveCursorTo(int x, int y, int delayMs)
{
    restartScheduleIfLate();
    if (!input.setCursorPosition(x, y))
        qDebug() << "Failed to set cursor position. Error code: " << input.lastErrorCode();
    nextActionUs += microseconds(delayMs);
    return waitUntil(nextActionUs);
}

void ClickRunner::restartScheduleIfLate()
{
    const std::int64_t nowUs = input.steadyMicroseconds();
    if (nowUs - nextActionUs > catchUpUs)
        nextActionUs = nowUs;
}

bool ClickRunner::waitUntil(std::int64_t deadlineUs)
{
    // A deadline already passed is no wait at all: that is how a late action catches up.
    while (mayGoOn()) {
        const std::int64_t leftUs = deadlineUs - input.steadyMicroseconds();
        if (leftUs <= 0)
            return true;
        input.sleepMicroseconds(std::min(leftUs - watchedEndUs, escapeCheckUs));
    }
    return false;
}

bool ClickRunner::mayGoOn()
{
    return !input.isEscapeKeyDown() && !input.pointerMovedByUser() && !input.inputLost();
}
