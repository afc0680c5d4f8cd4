#include "logcapture.h"
#include "observedmainwindow.h"
#include "xescapepress.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

// A stop is due within 20 ms of the press; one press hold more allows for a busy machine
// waking the runner late.
constexpr long stopWithinMs = 20 + 50;
// Esc stays down until the run returns, as a user's finger would, so that a runner starved
// of the processor for a moment still sees it; this bound only keeps a broken runner from
// holding the key for ever.
constexpr std::chrono::milliseconds escapeHold = 10s;

const QString stopLine = QStringLiteral("Run stopped by Esc key");

} // namespace

class TestEscapeStop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void escapeEndsTheRun_data();
    void escapeEndsTheRun();

private:
    ObservedMainWindow fixture;
};

void TestEscapeStop::initTestCase()
{
    fixture.setUp();
}

void TestEscapeStop::cleanupTestCase()
{
    fixture.tearDown();
}

void TestEscapeStop::escapeEndsTheRun_data()
{
    QTest::addColumn<QString>("script");
    // From the click on the execute button, whose start pause is 500 ms.
    QTest::addColumn<int>("escapeAfterMs");
    QTest::addColumn<int>("atLeastPresses");

    // Presses at 500, 1550 and 2600 ms, so Esc comes in the third delay.
    QTest::newRow("in the delays of a long click run")
        << QStringLiteral("570，240，1\n*1000") << 2900 << 2;
    // Nearly all of the time is press holds here, so Esc cuts one short.
    QTest::newRow("while clicking without delays")
        << QStringLiteral("570，240\n*1000000") << 820 << 4;
    QTest::newRow("moves that never wait")
        << QStringLiteral("#560，100\n#620，300\n*2147483647") << 800 << 0;
    QTest::newRow("lines that fail to parse") << QStringLiteral("x，1\n*2147483647") << 800 << 0;
}

void TestEscapeStop::escapeEndsTheRun()
{
    QFETCH(QString, script);
    QFETCH(int, escapeAfterMs);
    QFETCH(int, atLeastPresses);

    fixture.observer().collect(SIZE_MAX, 0ms);
    LogCapture log;

    ScheduledEscapePress escape(std::chrono::milliseconds(escapeAfterMs), escapeHold);
    // The slot blocks until the run is over: only Esc can end these runs in reasonable time.
    fixture.run(script);
    const auto returnedAt = std::chrono::steady_clock::now();
    escape.letGo();
    QVERIFY2(escape.waitUntilReleased(), "Esc could not be pressed through XTest");

    const long returnMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - escape.pressedAt())
            .count();
    QVERIFY2(returnMs >= 0 && returnMs <= stopWithinMs,
             qPrintable(QStringLiteral("the run returned %1 ms after Esc").arg(returnMs)));

    // Every press has its release, and the last event comes soon after Esc.
    const std::vector<ObservedButtonEvent> events = fixture.observer().collect(SIZE_MAX, 300ms);
    QVERIFY2(events.size() % 2 == 0, "a press was left without its release");
    for (std::size_t i = 0; i < events.size(); ++i)
        QCOMPARE(events[i].pressed, i % 2 == 0);
    QVERIFY2(events.size() >= 2 * std::size_t(atLeastPresses),
             qPrintable(QStringLiteral("only %1 button events").arg(events.size())));
    if (!events.empty()) {
        const long lastEventMs = long(events.back().serverTimeMs - escape.pressServerTimeMs());
        QVERIFY2(lastEventMs <= stopWithinMs,
                 qPrintable(QStringLiteral("clicks went on %1 ms after Esc").arg(lastEventMs)));
    }

    const QStringList lines = log.lines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.last(), stopLine);
    QCOMPARE(lines.count(stopLine), 1);
}

QTEST_MAIN(TestEscapeStop)
#include "tst_escstop.moc"
