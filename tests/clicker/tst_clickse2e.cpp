#include "logcapture.h"
#include "widget.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <thread>

namespace {

// Acts through XTest from a thread of its own while the GUI thread is inside a run, as a hand.
class HandAfter final
{
public:
    template <typename Action>
    HandAfter(int delayMs, Action action)
        : thread([delayMs, action] {
              std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
              Display *display = XOpenDisplay(nullptr);
              action(display);
              XSync(display, False);
              XCloseDisplay(display);
          })
    {}
    ~HandAfter() { thread.join(); }

private:
    std::thread thread;
};

// Answers the next message box with the button of `text`, once it is up.
void answer(const QString &text)
{
    QTimer::singleShot(200, [text] {
        for (auto *button : QApplication::activeModalWidget()->findChildren<QAbstractButton *>())
            if (button->text() == text)
                button->click();
    });
}

// The button events on the bare root window as xev, another client, saw them:
// "press 1 at 700,300" or "release …", with the X server's times apart.
QStringList clicks(QProcess &xev, QList<long> &times)
{
    static const QRegularExpression event(
        QStringLiteral("Button(Press|Release) event.*?time (\\d+), .*?root:\\((-?\\d+,-?\\d+)\\)"
                       ".*?button (\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList seen;
    for (const auto &match : event.globalMatch(QString::fromLatin1(xev.readAllStandardOutput()))) {
        seen.append(match.captured(1).toLower() + ' ' + match.captured(4) + " at " +
                    match.captured(3));
        times.append(match.captured(2).toLong());
    }
    return seen;
}

int probe(const QString &display, const QString &xvfbOptions = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    if (xvfbOptions.isEmpty())
        process.start(QStringLiteral(INPUT_PROBE), {});
    else
        process.start(QStringLiteral("xvfb-run"), {"-a", "-s", xvfbOptions, INPUT_PROBE});
    process.waitForFinished(30000);
    return process.exitCode();
}

} // namespace

class TestClicksEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void runClicksTheScreen();
    void inputLayerSaysWhyItCannot();
};

// The main window on the real X server: in a session taken for Wayland it asks first; presses
// on its own button during a run are dropped; each press is released about 50 ms later at the
// script's point; Esc stops a run that would never end; far points are clamped to the screen.
void TestClicksEndToEnd::runClicksTheScreen()
{
    QTemporaryDir workingDirectory;
    QVERIFY(QDir::setCurrent(workingDirectory.path()));
    QProcess xev;
    xev.start(QStringLiteral("xev"), {"-root", "-event", "button"});
    QVERIFY(xev.waitForStarted());
    Widget window;
    window.move(0, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *execute = window.findChild<QPushButton *>(QStringLiteral("pushButton"));
    const QPoint executeAt = execute->mapToGlobal(execute->rect().center());
    const LogCapture log;

    qputenv("WAYLAND_DISPLAY", "wayland-0");
    editor->setPlainText(QStringLiteral("700，300，1\n700，300"));
    answer(QStringLiteral("不运行"));
    QTest::mouseClick(execute, Qt::LeftButton);
    QCOMPARE(log.lines(), QStringList());
    {
        answer(QStringLiteral("仍然运行"));
        const HandAfter echo(1200, [executeAt](Display *display) { // in the 1 s after a click
            XTestFakeMotionEvent(display, -1, executeAt.x(), executeAt.y(), CurrentTime);
            XTestFakeButtonEvent(display, 1, True, CurrentTime);
            XTestFakeButtonEvent(display, 1, False, CurrentTime);
        });
        QTest::mouseClick(execute, Qt::LeftButton);
    }
    QTest::qWait(500);
    QCOMPARE(log.lines(), QStringList({"\"700，300，1\"", "\"700，300\""}));
    QList<long> times;
    QCOMPARE(clicks(xev, times), QStringList({"press 1 at 700,300", "release 1 at 700,300",
                                              "press 1 at 700,300", "release 1 at 700,300"}));
    for (const auto &[from, planned] : {std::pair{0, 50}, {1, 1000}, {2, 50}}) {
        const long lasted = times[from + 1] - times[from];
        QVERIFY2(lasted >= planned - 2 && lasted <= planned + 40,
                 qPrintable(QString::number(lasted)));
    }

    editor->setPlainText(QStringLiteral("700，300\n*2147483647"));
    {
        const HandAfter escape(1000, [](Display *display) {
            const KeyCode key = XKeysymToKeycode(display, XK_Escape);
            XTestFakeKeyEvent(display, key, True, CurrentTime);
            XSync(display, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            XTestFakeKeyEvent(display, key, False, CurrentTime);
        });
        QTest::mouseClick(execute, Qt::LeftButton); // asks no more in this program start
    }
    QCOMPARE(log.lines().last(), QStringLiteral("Run stopped by Esc key"));
    QTest::qWait(300);
    const QStringList stopped = clicks(xev, times);
    QVERIFY(stopped.size() >= 2 && stopped.last().startsWith(QLatin1String("release")));

    editor->setPlainText(QStringLiteral("100000，-100000"));
    QTest::mouseClick(execute, Qt::LeftButton);
    QCOMPARE(QCursor::pos(), QPoint(window.screen()->geometry().width() - 1, 0));
}

void TestClicksEndToEnd::inputLayerSaysWhyItCannot()
{
    QCOMPARE(probe(qEnvironmentVariable("DISPLAY")), 0);
    QCOMPARE(probe(QString()), 1);
    QCOMPARE(probe(QString(), QStringLiteral("-extension XTEST")), 2);
}

QTEST_MAIN(TestClicksEndToEnd)
#include "tst_clickse2e.moc"
