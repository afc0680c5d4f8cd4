#include "logcapture.h"
#include "widget.h"
#include "xclickobserver.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>

namespace {

constexpr int targetX = 700;
constexpr int targetY = 300;

// Acts on the display through XTest from a thread of its own, while the GUI thread is
// blocked inside a run, as a user's hand would.
class HandAfter final
{
public:
    template <typename Action>
    HandAfter(int delayMs, Action action)
        : thread([delayMs, action] {
              std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
              Display *display = XOpenDisplay(nullptr);
              action(display);
              XCloseDisplay(display);
          })
    {}
    ~HandAfter() { thread.join(); }

private:
    std::thread thread;
};

void clickAt(Display *display, QPoint point)
{
    XTestFakeMotionEvent(display, -1, point.x(), point.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
}

// Answers the next message box with the button of `text`, once it is up.
void answerBox(const QString &text)
{
    QTimer::singleShot(200, [text] {
        for (QAbstractButton *button :
             QApplication::activeModalWidget()->findChildren<QAbstractButton *>()) {
            if (button->text() == text)
                button->click();
        }
    });
}

// The input layer's verdict on a display: the probe exits with beginRun's code.
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

// The main window on the real X server runs scripts that click an observer's window: in a
// session that is taken for Wayland it asks first; presses on its own button during a run
// are dropped; every press is released, held about 50 ms; Esc stops a run that never ends.
void TestClicksEndToEnd::runClicksTheScreen()
{
    QTemporaryDir workingDirectory;
    QVERIFY(QDir::setCurrent(workingDirectory.path()));
    XClickObserver observer(targetX - 50, targetY - 50, 100, 100);
    Widget window;
    window.move(20, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *execute = window.findChild<QPushButton *>(QStringLiteral("pushButton"));
    const QPoint executeCentre = execute->mapToGlobal(execute->rect().center());
    const QString target = QStringLiteral("%1，%2").arg(targetX).arg(targetY);
    const LogCapture log;

    qputenv("WAYLAND_DISPLAY", "wayland-0");
    editor->setPlainText(target + "，1\n" + target);
    answerBox(QStringLiteral("不运行"));
    QTest::mouseClick(execute, Qt::LeftButton);
    QCOMPARE(log.lines(), QStringList());
    {
        answerBox(QStringLiteral("仍然运行"));
        const HandAfter echo(1200, [executeCentre](Display *display) {
            clickAt(display, executeCentre); // within the second's delay after the first click
        });
        QTest::mouseClick(execute, Qt::LeftButton);
    }
    QTest::qWait(300);
    const QStringList once{'"' + target + "，1\"", '"' + target + '"'};
    QCOMPARE(log.lines(), once);
    std::vector<XClickObserver::ButtonEvent> events = observer.take();
    QCOMPARE(events.size(), 4u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        QCOMPARE(events[i].pressed, i % 2 == 0);
        QCOMPARE(events[i].button, 1u);
        QCOMPARE(QPoint(events[i].x, events[i].y), QPoint(targetX, targetY));
    }
    for (const auto &[from, to, planned] : {std::tuple{0, 1, 50}, {1, 2, 1000}, {2, 3, 50}}) {
        const long lasted = long(events[to].serverTimeMs - events[from].serverTimeMs);
        QVERIFY2(lasted >= planned - 2 && lasted <= planned + 40,
                 qPrintable(QString::number(lasted)));
    }

    editor->setPlainText(target + "\n*2147483647\n");
    {
        const HandAfter escape(1000, [](Display *display) {
            const KeyCode key = XKeysymToKeycode(display, XK_Escape);
            XTestFakeKeyEvent(display, key, True, CurrentTime);
            XSync(display, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            XTestFakeKeyEvent(display, key, False, CurrentTime);
            XSync(display, False);
        });
        QTest::mouseClick(execute, Qt::LeftButton); // asks no more in this program start
    }
    QCOMPARE(log.lines().last(), QStringLiteral("Run stopped by Esc key"));
    events = observer.take();
    QVERIFY(events.size() >= 2 && events.size() % 2 == 0);

    editor->setPlainText(QStringLiteral("100000，-100000"));
    QTest::mouseClick(execute, Qt::LeftButton);
    int x = 0;
    int y = 0;
    observer.pointer(x, y);
    QCOMPARE(QPoint(x, y), QPoint(window.screen()->geometry().width() - 1, 0));
}

void TestClicksEndToEnd::inputLayerSaysWhyItCannot()
{
    QCOMPARE(probe(qEnvironmentVariable("DISPLAY")), 0);
    QCOMPARE(probe(QString()), 1);
    QCOMPARE(probe(QString(), QStringLiteral("-extension XTEST")), 2);
}

QTEST_MAIN(TestClicksEndToEnd)
#include "tst_clickse2e.moc"
