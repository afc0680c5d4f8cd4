#include "clickrunner.h"

#include "clickscript.h"
#include "input.h"
#include "ui_widget.h"
#include "widget.h"

#include <QDebug>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int startPauseMs = 500;
constexpr int pressHoldMs = 50;
// The window is frozen while a run lasts, so the Esc key is the only way out; a wait looks
// at it this often, which keeps a stop within 20 ms even when a slice wakes late.
constexpr int escapeCheckMs = 10;

// Waits delayMs (nothing when it is not positive) unless Esc is held: looks at the key
// before every slice of the wait and once more at its end, and returns false as soon as it
// is down. The slices are measured against one deadline, so the looks between them do not
// add up to a longer wait, and the wait never ends early.
bool waitUnlessEscape(int delayMs)
{
    const std::int64_t deadline =
        input::steadyMicroseconds() + std::int64_t{std::max(delayMs, 0)} * 1000;
    while (!input::isEscapeKeyDown()) {
        const std::int64_t leftUs = deadline - input::steadyMicroseconds();
        if (leftUs <= 0)
            return true;
        // Whole milliseconds are all a sleep takes; the last fraction of one is spent looking
        // at the key, so the wait ends close to its deadline rather than up to 1 ms after it.
        const std::int64_t wholeMsLeft = leftUs / 1000;
        input::sleepMilliseconds(int(std::min<std::int64_t>(wholeMsLeft, escapeCheckMs)));
    }
    return false;
}

} // namespace

void Widget::on_pushButton_clicked()
{
    // The pause gives the user time to let go of the mouse before the first synthetic press.
    // Esc already held when the button is clicked stops the run at once: an emergency key
    // must not wait for a press to be let go first.
    if (!waitUnlessEscape(startPauseMs) || !executeScript())
        qDebug() << "Run stopped by Esc key";
}

bool Widget::executeScript()
{
    const RunPlan plan = buildRunPlan(ui->plainTextEdit->document()->toPlainText());
    return forEachPlanLine(plan, [](const QString &planLine) {
        // Lines that fail to parse or have a count of 0 do nothing and never wait, so a
        // script of only such lines, repeated millions of times, is only stoppable here.
        if (input::isEscapeKeyDown())
            return false;
        qDebug() << planLine;
        return executeLine(planLine);
    });
}

bool executeLine(const QString &planLine)
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

bool clickAt(int x, int y, int delayMs)
{
    // A refused cursor move goes unnoticed here: the press lands wherever the cursor is.
    input::setCursorPosition(x, y);
    input::sendMouseButton(input::MouseButtonEvent::LeftDown, x, y);
    // Esc may cut the hold short, but the button is never left down.
    const bool heldToTheEnd = waitUnlessEscape(pressHoldMs);
    input::sendMouseButton(input::MouseButtonEvent::LeftUp, x, y);
    return heldToTheEnd && waitUnlessEscape(delayMs);
}

bool moveCursorTo(int x, int y, int delayMs)
{
    if (!input::setCursorPosition(x, y))
        qDebug() << "Failed to set cursor position. Error code: " << input::lastErrorCode();
    return waitUnlessEscape(delayMs);
}
