#include "fakeinput.h"

#include "input.h"

#include <QStringList>

namespace {

fakeinput::Setup setup;
std::int64_t nowUs = 0;
std::int64_t waitFromUs = -1; // start of the sleeps in a row, -1 after any other call
std::uint32_t lastError = 0;
int looks = 0;
QStringList calls;

QString ms(std::int64_t microseconds)
{
    return QString::number(double(microseconds) / 1000, 'g', 12);
}

void record(const char *call, int x, int y)
{
    calls.append(QStringLiteral("%1 %2 %3,%4").arg(ms(nowUs), call).arg(x).arg(y));
    nowUs += setup.callCostUs;
    waitFromUs = -1;
}

} // namespace

void fakeinput::reset(const Setup &newSetup)
{
    setup = newSetup;
    nowUs = looks = lastError = 0;
    waitFromUs = -1;
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
    record("move", x, y);
    const std::optional<std::uint32_t> refusal =
        setup.moves.isEmpty() ? std::nullopt : setup.moves.takeFirst();
    if (refusal) {
        lastError = *refusal;
        calls.last() += QStringLiteral(" refused");
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
    if (waitFromUs < 0) {
        waitFromUs = nowUs;
        calls.append(QString());
    }
    nowUs += std::max<std::int64_t>(microseconds, 0);
    calls.last() = ms(waitFromUs) + " wait " + ms(nowUs - waitFromUs);
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
    return false;
}
