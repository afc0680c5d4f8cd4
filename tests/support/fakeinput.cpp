#include "fakeinput.h"

#include "input.h"

#include <QQueue>

#include <algorithm>
#include <utility>

namespace {

struct InputCall
{
    enum class Operation { SetCursorPosition, SendMouseButton, Wait, LastErrorCode };

    Operation operation;
    QList<qint64> arguments; // in the order of the input function's parameters
    qint64 atMicroseconds;
};

struct FakeState
{
    bool alive = false;
    QList<InputCall> calls;
    qint64 nowMicroseconds = 0;
    QQueue<std::optional<std::uint32_t>> cursorOutcomes;
    QList<std::pair<qint64, qint64>> escapeHeld; // [from, until) in microseconds
    std::uint32_t lastErrorCode = 0;
};

FakeState state;

void record(InputCall::Operation operation, QList<qint64> arguments = {})
{
    if (state.alive)
        state.calls.append(InputCall{operation, std::move(arguments), state.nowMicroseconds});
}

QString operationName(InputCall::Operation operation)
{
    switch (operation) {
    case InputCall::Operation::SetCursorPosition:
        return QStringLiteral("setCursorPosition");
    case InputCall::Operation::SendMouseButton:
        return QStringLiteral("sendMouseButton");
    case InputCall::Operation::Wait:
        return QStringLiteral("wait");
    case InputCall::Operation::LastErrorCode:
        return QStringLiteral("lastErrorCode");
    }
    Q_UNREACHABLE();
}

QString argumentText(const InputCall &call, qsizetype index)
{
    const qint64 value = call.arguments.at(index);
    if (call.operation == InputCall::Operation::SendMouseButton && index == 0) {
        switch (input::MouseButtonEvent(value)) {
        case input::MouseButtonEvent::LeftDown:
            return QStringLiteral("LeftDown");
        case input::MouseButtonEvent::LeftUp:
            return QStringLiteral("LeftUp");
        }
    }
    return QString::number(value);
}

QString describe(const InputCall &call)
{
    QStringList arguments;
    for (qsizetype index = 0; index < call.arguments.size(); ++index)
        arguments.append(argumentText(call, index));
    return QStringLiteral("%1 %2(%3)")
        .arg(call.atMicroseconds)
        .arg(operationName(call.operation), arguments.join(QStringLiteral(", ")));
}

} // namespace

FakeInput::FakeInput()
{
    Q_ASSERT(!state.alive);
    state = FakeState();
    state.alive = true;
}

FakeInput::~FakeInput()
{
    state = FakeState();
}

void FakeInput::scriptCursorMoves(const QList<std::optional<std::uint32_t>> &outcomes)
{
    for (const std::optional<std::uint32_t> &outcome : outcomes)
        state.cursorOutcomes.enqueue(outcome);
}

void FakeInput::holdEscape(qint64 fromMicroseconds, qint64 untilMicroseconds)
{
    state.escapeHeld.append({fromMicroseconds, untilMicroseconds});
}

QStringList FakeInput::timeline() const
{
    QStringList lines;
    for (const InputCall &call : state.calls)
        lines.append(describe(call));
    return lines;
}

namespace input {

bool setCursorPosition(int x, int y)
{
    record(InputCall::Operation::SetCursorPosition, {x, y});
    const std::optional<std::uint32_t> failure =
        state.cursorOutcomes.isEmpty() ? std::nullopt : state.cursorOutcomes.dequeue();
    if (failure)
        state.lastErrorCode = *failure;
    return !failure;
}

void sendMouseButton(MouseButtonEvent event, int x, int y)
{
    record(InputCall::Operation::SendMouseButton, {qint64(event), x, y});
}

void sleepMilliseconds(int milliseconds)
{
    if (!state.alive)
        return;
    const bool continuesWait =
        !state.calls.isEmpty() && state.calls.last().operation == InputCall::Operation::Wait;
    if (continuesWait)
        state.calls.last().arguments[0] += milliseconds;
    else
        record(InputCall::Operation::Wait, {milliseconds});
    if (milliseconds > 0)
        state.nowMicroseconds += qint64(milliseconds) * 1000;
}

std::int64_t steadyMicroseconds()
{
    return state.nowMicroseconds;
}

bool isEscapeKeyDown()
{
    return std::any_of(state.escapeHeld.cbegin(), state.escapeHeld.cend(), [](const auto &held) {
        return held.first <= state.nowMicroseconds && state.nowMicroseconds < held.second;
    });
}

std::uint32_t lastErrorCode()
{
    record(InputCall::Operation::LastErrorCode);
    return state.lastErrorCode;
}

} // namespace input
