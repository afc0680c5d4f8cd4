// How exactly the program's clicks keep to their schedule on a real X server, beside
// xdotool's own `click --repeat` in the same run: the main window's run button is pressed
// through XTest, the program is started with --run as a desktop shortcut starts it, and an
// independent X client records the clicks by X server time stamps. Xvfb stamps events with
// the monotonic clock's milliseconds, which also times the press of the run button and the
// start of the process. xev, from x11-utils, is the observer. Prints figures only.
// Usage (under Xvfb): bench_clicktiming
#include "clickfigures.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int targetX = 900;
constexpr int targetY = 400;

long monotonicMs()
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count());
}

// The server times of the button events xev saw since the last call, press and release in
// turn: whatever it writes until it has been quiet for `quietMs`.
std::vector<double> buttonTimes(QProcess &xev, int quietMs)
{
    static const QRegularExpression event(
        QStringLiteral("Button(?:Press|Release) event.*?time (\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    QByteArray output = xev.readAllStandardOutput();
    while (xev.waitForReadyRead(quietMs))
        output += xev.readAllStandardOutput();
    std::vector<double> times;
    for (const auto &match : event.globalMatch(QString::fromLatin1(output)))
        times.push_back(match.captured(1).toDouble());
    return times;
}

// Presses the run button through XTest from a thread of its own; returns the monotonic
// millisecond at which the server had the release, the moment the button fires.
long pressButton(QPushButton *button)
{
    const QPoint centre = button->mapToGlobal(button->rect().center());
    long releasedMs = 0;
    std::thread hand([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Display *display = XOpenDisplay(nullptr);
        XTestFakeMotionEvent(display, -1, centre.x(), centre.y(), CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XSync(display, False);
        // Held as a hand holds it, so the button has drawn itself pressed before it fires.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XSync(display, False);
        releasedMs = monotonicMs();
        XCloseDisplay(display);
    });
    QEventLoop untilTheRunReturns;
    const QMetaObject::Connection after =
        QObject::connect(button, &QPushButton::clicked, &untilTheRunReturns, &QEventLoop::quit,
                         Qt::QueuedConnection);
    untilTheRunReturns.exec();
    QObject::disconnect(after);
    hand.join();
    return releasedMs;
}

// The program's debug lines (one per plan line) would bury the figures.
void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    qInstallMessageHandler(dropMessages);
    QProcess xev;
    xev.start(QStringLiteral("xev"), {"-root", "-event", "button"});
    if (!xev.waitForStarted()) {
        std::fprintf(stderr, "xev (x11-utils) is needed to observe the clicks\n");
        return 1;
    }
    Widget window;
    window.move(0, 0);
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *button = window.findChild<QPushButton *>(QStringLiteral("pushButton"));

    printClickTableHeader("X server time stamps on DISPLAY; first counts from the release of "
                          "the run button, or the start of the process");
    const QString target = QStringLiteral("%1，%2").arg(targetX).arg(targetY);
    for (const auto &[clicks, delaySeconds] : {std::pair{200, 0}, {20, 1}}) {
        editor->setPlainText(
            QStringLiteral("%1，%2，%3").arg(target).arg(delaySeconds).arg(clicks));
        buttonTimes(xev, 100);
        const long releasedMs = pressButton(button);
        const std::vector<double> events = buttonTimes(xev, 500);
        const QByteArray what =
            QStringLiteral("Quorvane %1 clicks, delay %2 s").arg(clicks).arg(delaySeconds).toUtf8();
        printClickRow(what.constData(), events, clicks, 50, delaySeconds * 1000,
                      events.empty() ? -1 : events.front() - releasedMs);
    }
    // From the command line the first press counts from the start of the process, as a key
    // bound in the desktop's settings starts it.
    QTemporaryDir folder;
    const QString script = folder.filePath(QStringLiteral("script.txt"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QStringLiteral("%1，0，20").arg(target).toUtf8()) < 0)
        return 1;
    file.close();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        buttonTimes(xev, 100);
        QProcess program;
        program.setStandardErrorFile(QProcess::nullDevice());
        const long startedMs = monotonicMs();
        program.start(QStringLiteral(QUORVANE_PROGRAM), {QStringLiteral("--run"), script});
        program.waitForFinished();
        const std::vector<double> events = buttonTimes(xev, 500);
        const QByteArray what =
            QStringLiteral("quorvane --run, 20 clicks (%1 of 3)").arg(attempt).toUtf8();
        printClickRow(what.constData(), events, 20, 50, 0,
                      events.empty() ? -1 : events.front() - startedMs);
    }
    for (const int delayMs : {50, 1050}) {
        const int clicks = delayMs == 50 ? 200 : 20;
        buttonTimes(xev, 100);
        QProcess::execute(QStringLiteral("xdotool"),
                          {"mousemove", QString::number(targetX), QString::number(targetY), "click",
                           "--repeat", QString::number(clicks), "--delay", QString::number(delayMs),
                           "1"});
        const QByteArray what = QStringLiteral("xdotool click --repeat %1 --delay %2")
                                    .arg(clicks)
                                    .arg(delayMs)
                                    .toUtf8();
        printClickRow(what.constData(), buttonTimes(xev, 500), clicks, 0, delayMs);
    }
    return 0;
}
