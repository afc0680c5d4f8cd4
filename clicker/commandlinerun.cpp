#include "commandlinerun.h"

#include "clickrunner.h"
#include "input.h"
#include "runwarnings.h"
#include "screennotice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

namespace {

// Mapping a window takes a desktop a few milliseconds, a busy one more; the wait comes out of the
// run's pause, so a notice that is later than this shows unpainted rather than delay the run.
constexpr int paintedWithinMs = 200;

// The run holds the GUI thread from its start to its end: the notice is painted before.
std::unique_ptr<QLabel> showRunNotice(const QString &name)
{
    std::unique_ptr<QLabel> notice = showScreenNotice(
        QStringLiteral("运行脚本"),
        QStringLiteral("正在运行脚本 %1：按住 Esc 停止（Wayland 桌面上移动鼠标停止）").arg(name));
    const QDeadlineTimer deadline(paintedWithinMs);
    while (!notice->windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        int(deadline.remainingTime()));
    notice->repaint();
    QGuiApplication::sync();
    return notice;
}

} // namespace

CommandLineRunEnd runFromCommandLine(const QString &name, const QString &script,
                                     const QElapsedTimer &asked)
{
    input::InputLayer &input = input::current();
    if (!confirmRunInConfinedSession(nullptr, input))
        return CommandLineRunEnd::InputUnavailable;
    std::unique_ptr<QLabel> notice = showRunNotice(name);
    ClickRunner runner(input);
    const ClickRunner::Outcome outcome = runner.run(script, asked.nsecsElapsed() / 1000);
    notice.reset();
    switch (outcome) {
    case ClickRunner::Outcome::Performed:
        return CommandLineRunEnd::Performed;
    case ClickRunner::Outcome::StoppedByEscape:
    case ClickRunner::Outcome::StoppedByMouse:
        return CommandLineRunEnd::Stopped;
    case ClickRunner::Outcome::InputLost:
        warnInputUnavailable(nullptr, Thwarted::RunMidway, runner.failureReason());
        // The user who turned the desktop's sharing off stopped the run as with Esc.
        return runner.failureReason() == input::remoteDesktopEndedError
                   ? CommandLineRunEnd::Stopped
                   : CommandLineRunEnd::InputUnavailable;
    case ClickRunner::Outcome::InputUnavailable:
        break;
    }
    warnInputUnavailable(nullptr, Thwarted::RunStart, runner.failureReason());
    return CommandLineRunEnd::InputUnavailable;
}
