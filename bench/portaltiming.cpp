// How exactly clicks through the remote-desktop portal keep to their schedule, in a GNOME
// Wayland session: as the program sent them (the session bus's time stamps, read with
// dbus-monitor) and as a Wayland window got them (the compositor's time stamps). Also how
// long the first run takes from 执行 to the desktop's consent dialog (the session's start),
// and from the consent to the first press. The main window is the program's, under XWayland;
// the consent is given by the wayland-session tool's `desktop`. Also how long a run takes to stop
// once the user moves the mouse (the tool's motion as the bus saw it, to the program's stop).
// Prints figures only.
// Usage, from the repository:
//   XWAYLAND=1 ../shared/tools/wayland-session/run build/bench/bench_portaltiming
//       build/tests/program/wayland_probe ../shared/tools/wayland-session/desktop
#include "clickfigures.h"
#include "input.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int targetX = 900;
constexpr int targetY = 400;

double wallClockMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void processEventsFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Whatever `process` writes until it has been quiet for `quietMs`, line by line.
QList<QByteArray> linesOf(QProcess &process, int quietMs)
{
    QByteArray output = process.readAllStandardOutput();
    while (process.waitForReadyRead(quietMs))
        output += process.readAllStandardOutput();
    return output.split('\n');
}

// What the program asked of the portal during one run, on the wall clock in ms.
struct Calls
{
    double start = -1;    // the Start call, which shows the consent dialog
    double answered = -1; // the last answer of the portal before the first press
    std::vector<double> buttons;
};

// dbus-monitor --profile writes a line per message: type, time, serial, sender, destination,
// path, interface, member.
Calls callsOf(const QList<QByteArray> &lines)
{
    Calls calls;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 8)
            continue;
        const double ms = fields[1].toDouble() * 1000;
        const QByteArray &member = fields[7];
        if (member == "Start")
            calls.start = ms;
        else if (member == "Response" && calls.buttons.empty())
            calls.answered = ms;
        else if (member == "NotifyPointerButton")
            calls.buttons.push_back(ms);
    }
    return calls;
}

// The compositor's times of the presses and releases the probe window got.
std::vector<double> landedOf(const QList<QByteArray> &lines)
{
    std::vector<double> times;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4)
            times.push_back(fields[3].toDouble());
    }
    return times;
}

// When the last run stopped for the mouse, on the wall clock in ms.
double stoppedByMouseMs = -1;

// The program's debug lines (one per plan line) would bury the figures.
void dropMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message == QLatin1String("Run stopped: the mouse was moved"))
        stoppedByMouseMs = wallClockMs();
}

// The last pointer motion the desktop was asked for before `beforeMs` (GNOME's compositor, or
// Plasma's portal back end): the user's, played by the desktop tool.
double lastMotionBefore(const QList<QByteArray> &lines, double beforeMs)
{
    double last = -1;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        const double ms = fields.size() >= 8 ? fields[1].toDouble() * 1000 : -1;
        if (ms >= 0 && ms < beforeMs && fields[7] == "NotifyPointerMotionAbsolute")
            last = ms;
    }
    return last;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_portaltiming <wayland_probe> <desktop tool>\n");
        return 2;
    }
    input::prepareWindowSystem();
    QApplication app(argc, argv);
    qInstallMessageHandler(dropMessages);

    QProcess probe;
    QProcessEnvironment wayland = QProcessEnvironment::systemEnvironment();
    wayland.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    probe.setProcessEnvironment(wayland);
    probe.start(QString::fromLocal8Bit(argv[1]), {});
    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"),
                  {"--session", "--profile", "interface='org.freedesktop.portal.RemoteDesktop'",
                   "interface='org.freedesktop.portal.Request',member='Response'",
                   "interface='org.gnome.Mutter.RemoteDesktop.Session',"
                   "member='NotifyPointerMotionAbsolute'",
                   "interface='org.freedesktop.impl.portal.RemoteDesktop',"
                   "member='NotifyPointerMotionAbsolute'"});
    QProcess consent;
    consent.start(QString::fromLocal8Bit(argv[2]), {"consent", "allow"});
    if (!probe.waitForStarted() || !monitor.waitForStarted() || !consent.waitForStarted()) {
        std::fprintf(stderr, "the probe window, dbus-monitor or the desktop tool did not start\n");
        return 1;
    }
    Widget window;
    window.show();
    processEventsFor(2000); // the window, the probe's full screen, the consent tool's watch
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *button = window.findChild<QPushButton *>(QStringLiteral("pushButton"));

    printClickTableHeader("the bus (as sent) and the compositor (as landed); first counts from "
                          "the consent");
    for (const auto &[clicks, delaySeconds] : {std::pair{200, 0}, {20, 1}}) {
        editor->setPlainText(QStringLiteral("%1，%2，%3，%4")
                                 .arg(targetX)
                                 .arg(targetY)
                                 .arg(delaySeconds)
                                 .arg(clicks));
        linesOf(monitor, 100);
        linesOf(probe, 100);
        const double clickedMs = wallClockMs();
        button->click(); // returns when the run is over
        const Calls calls = callsOf(linesOf(monitor, 500));
        const std::vector<double> landed = landedOf(linesOf(probe, 500));
        if (calls.start >= 0)
            std::printf("执行 to the consent dialog (the session's start): %.1f ms\n",
                        calls.start - clickedMs);
        const QByteArray what =
            QStringLiteral("%1 clicks, delay %2 s").arg(clicks).arg(delaySeconds).toUtf8();
        printClickRow(
            (what + " as sent").constData(), calls.buttons, clicks, 50, delaySeconds * 1000,
            calls.buttons.empty() || calls.answered < 0 ? -1
                                                        : calls.buttons.front() - calls.answered);
        printClickRow((what + " as landed").constData(), landed, clicks, 50, delaySeconds * 1000);
    }

    editor->setPlainText(QStringLiteral("%1，%2，20").arg(targetX).arg(targetY));
    std::printf("the user's motion to the stop:");
    for (int motion = 0; motion < 5; ++motion) {
        linesOf(monitor, 100);
        stoppedByMouseMs = -1;
        // A second into the run's 20 s wait, as the GUI thread is busy with the run.
        QProcess::startDetached(QStringLiteral("sh"),
                                {"-c", QStringLiteral("sleep 1; exec %1 move %2 600")
                                           .arg(QString::fromLocal8Bit(argv[2]))
                                           .arg(500 + 20 * motion)});
        button->click();
        const double movedMs = lastMotionBefore(linesOf(monitor, 500), stoppedByMouseMs);
        std::printf(" %.1f ms",
                    stoppedByMouseMs < 0 || movedMs < 0 ? -1 : stoppedByMouseMs - movedMs);
    }
    std::printf("\n");
    probe.kill();
    monitor.kill();
    consent.kill();
    probe.waitForFinished();
    monitor.waitForFinished();
    consent.waitForFinished();
    return 0;
}
