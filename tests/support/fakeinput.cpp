#include "fakeinput.h"

#include "input.h"

#include <QStringList>

namespace {

fakeinput::Setup setup;
std::int64_t nowUs = 0;
std::int64_t waitStartUs = -1; // start of the sleeps in a row, -1 after any other call
std::uint32_t lastError = 0;
int looks = 0;
QStringList calls;

QString at(std::int64_t microseconds, const QString &call)
{
    return QString::number(double(microseconds) / 1000, 'g', 12) + ' ' + call;
}

void record(const QString &call, int x, int y)
{
    calls.append(at(nowUs, call + QStringLiteral(" %1,%2").arg(x).arg(y)));
    nowUs += setup.callCostUs;
    waitStartUs = -1;
}

} // namespace

void fakeinput::reset(const Setup &newSetup)
{
    setup = newSetup;
    nowUs = looks = lastError = 0;
    waitStartUs = -1;
    calls.clear();
}

QString fakeinput::timeline()
{
    return calls.join(QStringLiteral("; "));
}

std::uint32_t input::beginRun()
{
    return setup.beginRunError;
}

void input::endRun() {}

bool input::setCursorPosition(int x, int y)
{
    const std::optional<std::uint32_t> refusal = setup.moves.value(0);
    if (!setup.moves.isEmpty())
        setup.moves.removeFirst();
    record(QStringLiteral("move"), x, y);
    if (refusal) {
        calls.last() += QStringLiteral(" refused");
        lastError = *refusal;
    }
    return !refusal;
}

bool input::cursorPosition(int &, int &)
{
    return false;
}

void input::sendMouseButton(MouseButtonEvent event, int x, int y)
{
    record(event == MouseButtonEvent::LeftDown ? "down" : "up", x, y);
}

void input::sleepMicroseconds(std::int64_t microseconds)
{
    if (waitStartUs < 0) {
        waitStartUs = nowUs;
        calls.append(QString());
    }
    nowUs += std::max<std::int64_t>(microseconds, 0);
    calls.last() = at(waitStartUs, "wait " + QString::number(double(nowUs - waitStartUs) / 1000));
}

std::int64_t input::steadyMicroseconds()
{
    return nowUs;
}

bool input::isEscapeKeyDown()
{
    ++looks;
    return (setup.escapeFromUs <= nowUs && nowUs < setup.escapeUntilUs) ||
           (setup.escapeFromLook > 0 && looks >= setup.escapeFromLook);
}

std::uint32_t input::lastErrorCode()
{
    return lastError;
}

bool input::isConfinedSession()
{
    return setup.confinedSession;
}
