#include "input.h"
#include "xclickobserver.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <climits>
#include <memory>

using namespace std::chrono_literals;

namespace {

// Inside even the smallest default Xvfb screen (640x480).
const QRect observedArea(100, 100, 400, 300);

QPoint toQPoint(ScreenPoint point)
{
    return {point.x, point.y};
}

} // namespace

class TestX11Input : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void setCursorPositionMovesThePointer_data();
    void setCursorPositionMovesThePointer();

    void buttonEventsLandAtThePointer_data();
    void buttonEventsLandAtThePointer();

    void sleepWaitsAtLeastTheTime_data();
    void sleepWaitsAtLeastTheTime();

    void probeReportsDisplayState_data();
    void probeReportsDisplayState();
    void serverWithoutXTestFailsWithItsCode();

private:
    /// Runs the input layer in a child process with the given DISPLAY (unset when null)
    /// and returns what it printed, after checking that it ended normally and silently.
    static QString runProbe(const char *display);

    std::unique_ptr<XClickObserver> observer;
};

void TestX11Input::initTestCase()
{
    observer = std::make_unique<XClickObserver>(observedArea.x(), observedArea.y(),
                                                observedArea.width(), observedArea.height());
    QVERIFY2(observer->isConnected(), "these tests need an X server on DISPLAY");
    QVERIFY(observer->waitUntilMapped(5s));
}

void TestX11Input::setCursorPositionMovesThePointer_data()
{
    QTest::addColumn<QPoint>("requested");
    QTest::addColumn<QPoint>("expected");

    const QPoint lastPixel = toQPoint(observer->screenSize()) - QPoint(1, 1);
    const int right = lastPixel.x();
    const int bottom = lastPixel.y();
    QTest::newRow("inside the screen") << QPoint(123, 234) << QPoint(123, 234);
    QTest::newRow("last pixel") << lastPixel << lastPixel;
    QTest::newRow("beyond right and bottom clamps") << lastPixel + QPoint(500, 300) << lastPixel;
    QTest::newRow("negative clamps to origin") << QPoint(-50, -70) << QPoint(0, 0);
    QTest::newRow("beyond 16 bits still clamps to the far edge")
        << QPoint(100000, 70000) << lastPixel;
    QTest::newRow("int extremes") << QPoint(INT_MAX, INT_MIN) << QPoint(right, 0);
    QTest::newRow("int extremes swapped") << QPoint(INT_MIN, INT_MAX) << QPoint(0, bottom);
}

void TestX11Input::setCursorPositionMovesThePointer()
{
    QFETCH(QPoint, requested);
    QFETCH(QPoint, expected);

    // Start where no row ends, so a move that did nothing cannot pass.
    QVERIFY(input::setCursorPosition(7, 9));
    QVERIFY(input::setCursorPosition(requested.x(), requested.y()));
    QCOMPARE(toQPoint(observer->pointerPosition()), expected);
    QCOMPARE(input::lastErrorCode(), 0u);
}

void TestX11Input::buttonEventsLandAtThePointer_data()
{
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QPoint>("buttonArguments");

    QTest::newRow("window's top-left pixel") << observedArea.topLeft() << observedArea.topLeft();
    QTest::newRow("window's bottom-right pixel")
        << observedArea.bottomRight() << observedArea.bottomRight();
    QTest::newRow("position arguments carry no movement") << QPoint(250, 180) << QPoint(10, 10);
}

void TestX11Input::buttonEventsLandAtThePointer()
{
    QFETCH(QPoint, cursor);
    QFETCH(QPoint, buttonArguments);

    observer->collect(SIZE_MAX, 0ms);
    QVERIFY(input::setCursorPosition(cursor.x(), cursor.y()));
    input::sendMouseButton(input::MouseButtonEvent::LeftDown, buttonArguments.x(),
                           buttonArguments.y());
    input::sendMouseButton(input::MouseButtonEvent::LeftUp, buttonArguments.x(),
                           buttonArguments.y());

    // A short grace period would also reveal an extra, unexpected event.
    const std::vector<ObservedButtonEvent> events = observer->collect(3, 500ms);
    QCOMPARE(events.size(), std::size_t(2));
    QVERIFY(events[0].pressed);
    QVERIFY(!events[1].pressed);
    for (const ObservedButtonEvent &event : events) {
        QCOMPARE(event.button, 1u);
        QCOMPARE(toQPoint(event.rootPosition), cursor);
    }
    QVERIFY(events[0].serverTimeMs <= events[1].serverTimeMs);
    QCOMPARE(toQPoint(observer->pointerPosition()), cursor);
}

void TestX11Input::sleepWaitsAtLeastTheTime_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<qint64>("atLeastNs");
    QTest::addColumn<qint64>("lessThanNs");

    // Upper bounds are loose: a busy machine may oversleep, but never by this much.
    const qint64 ms = 1'000'000;
    QTest::newRow("zero returns at once") << 0 << qint64(0) << 40 * ms;
    QTest::newRow("negative returns at once") << -100 << qint64(0) << 40 * ms;
    QTest::newRow("the press hold") << 50 << 50 * ms << 150 * ms;
    QTest::newRow("a longer wait") << 320 << 320 * ms << 420 * ms;
}

void TestX11Input::sleepWaitsAtLeastTheTime()
{
    QFETCH(int, milliseconds);
    QFETCH(qint64, atLeastNs);
    QFETCH(qint64, lessThanNs);

    QElapsedTimer timer;
    timer.start();
    input::sleepMilliseconds(milliseconds);
    const qint64 elapsed = timer.nsecsElapsed();
    QVERIFY2(elapsed >= atLeastNs, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < lessThanNs, qPrintable(QString::number(elapsed)));
}

QString TestX11Input::runProbe(const char *display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (display)
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    else
        environment.remove(QStringLiteral("DISPLAY"));
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(X11_INPUT_PROBE), {});
    if (!probe.waitForFinished(10000))
        return QStringLiteral("probe did not finish: ") + probe.errorString();
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return QStringLiteral("probe failed with exit code %1").arg(probe.exitCode());
    const QByteArray errors = probe.readAllStandardError();
    if (!errors.isEmpty())
        return QStringLiteral("probe wrote to standard error: ") + QString::fromLocal8Bit(errors);
    return QString::fromLatin1(probe.readAllStandardOutput());
}

void TestX11Input::probeReportsDisplayState_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<bool>("unset");
    QTest::addColumn<QString>("expected");

    const QString noDisplay = QStringLiteral("moved false, error code 1\n");
    QTest::newRow("DISPLAY unset") << QByteArray() << true << noDisplay;
    QTest::newRow("display that does not exist") << QByteArray(":99999") << false << noDisplay;
    QTest::newRow("malformed display name") << QByteArray("no display here") << false << noDisplay;
    QTest::newRow("the test's own display")
        << qgetenv("DISPLAY") << false << QStringLiteral("moved true, error code 0\n");
}

void TestX11Input::probeReportsDisplayState()
{
    QFETCH(QByteArray, display);
    QFETCH(bool, unset);
    QFETCH(QString, expected);

    QCOMPARE(runProbe(unset ? nullptr : display.constData()), expected);
}

void TestX11Input::serverWithoutXTestFailsWithItsCode()
{
    const QString xvfbPath = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfbPath.isEmpty())
        QSKIP("Xvfb is not installed");
    // -displayfd picks a free display number and writes it to standard output once ready.
    QProcess xvfb;
    xvfb.start(xvfbPath,
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-tst"),
                QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("320x240x24")});
    QVERIFY2(xvfb.waitForStarted(5000), qPrintable(xvfb.errorString()));
    QVERIFY(xvfb.waitForReadyRead(10000));
    const QByteArray display = ':' + xvfb.readAllStandardOutput().trimmed();

    const QString output = runProbe(display.constData());
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    QCOMPARE(output, QStringLiteral("moved false, error code 2\n"));
}

QTEST_GUILESS_MAIN(TestX11Input)
#include "tst_x11input.moc"
