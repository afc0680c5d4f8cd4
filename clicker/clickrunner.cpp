#include "clickrunner.h"

#include "clickscript.h"
#include "input.h"
#include "ui_widget.h"
#include "widget.h"

#include <QDebug>

namespace {

constexpr int startPauseMs = 500;
constexpr int pressHoldMs = 50;

void waitIfPositive(int delayMs)
{
    if (delayMs > 0)
        input::sleepMilliseconds(delayMs);
}

} // namespace

void Widget::on_pushButton_clicked()
{
    // Gives the user time to let go of the mouse before the first synthetic press.
    input::sleepMilliseconds(startPauseMs);
    executeScript();
}

void Widget::executeScript()
{
    const RunPlan plan = buildRunPlan(ui->plainTextEdit->document()->toPlainText());
    forEachPlanLine(plan, [](const QString &planLine) {
        qDebug() << planLine;
        executeLine(planLine);
        return true;
    });
}

void executeLine(const QString &planLine)
{
    const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(planLine);
    if (const ParseFailure *failure = std::get_if<ParseFailure>(&parsed)) {
        qDebug() << parseFailureMessage(*failure) << planLine;
        return;
    }
    const ClickStep &step = std::get<ClickStep>(parsed);
    for (int performed = 0; performed < step.count; ++performed) {
        if (step.moveOnly)
            moveCursorTo(step.x, step.y, step.delayMs);
        else
            clickAt(step.x, step.y, step.delayMs);
    }
}

void clickAt(int x, int y, int delayMs)
{
    // A refused cursor move goes unnoticed here: the press lands wherever the cursor is.
    input::setCursorPosition(x, y);
    input::sendMouseButton(input::MouseButtonEvent::LeftDown, x, y);
    input::sleepMilliseconds(pressHoldMs);
    input::sendMouseButton(input::MouseButtonEvent::LeftUp, x, y);
    waitIfPositive(delayMs);
}

void moveCursorTo(int x, int y, int delayMs)
{
    if (!input::setCursorPosition(x, y))
        qDebug() << "Failed to set cursor position. Error code: " << input::lastErrorCode();
    waitIfPositive(delayMs);
}
