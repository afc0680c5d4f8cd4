#include "clickrunner.h"
#include "input.h"
#include "logcapture.h"
#include "streamlayout.h"

#include <QTest>

#include <utility>

namespace {

struct Setup
{
    std::uint32_t firstMoveRefusal = 0; ///< an error code refuses the first cursor move
    std::int64_t escapeFromUs = -1;     ///< Esc is held from then on
    std::int64_t lookCostUs = 0;        ///< what each look at the Esc key takes
    std::int64_t callCostUs = 0;        ///< what each move and button call takes
    std::uint32_t beginRunError = 0;
    std::int64_t consentUs = 0; ///< the desktop asks the user, who allows input this much later
    std::vector<input::ScreenCastStream> streams; ///< moves go onto these monitors' streams
    std::vector<input::DesktopArea> monitors;     ///< as the window system shows them
    std::int64_t endsFromUs = -1;                 ///< the desktop ends the session then
    int failingCall = 0; ///< the desktop leaves this pointer call (1 the first) unanswered
    std::int64_t stallFromUs = -1; ///< the first sleep from then on returns 700 ms late
};

QString ms(double milliseconds)
{
    return QString::number(milliseconds, 'g', 12);
}

// A press at `at` ms, released `hold` ms later, then `delay` ms of waiting.
QString click(double at, const char *point, double delay = 0, double hold = 50)
{
    QString expected = QStringLiteral("%1 move %2; %1 down %2; %1 wait %3; %4 up %2")
                           .arg(ms(at), point, ms(hold), ms(at + hold));
    return delay > 0 ? expected + QStringLiteral("; %1 wait %2").arg(ms(at + hold), ms(delay))
                     : expected;
}

QStringList quoted(const QStringList &planLines)
{
    QStringList lines;
    for (const QString &line : planLines)
        lines.append('"' + line + '"');
    return lines;
}

Setup escapeAt(double milliseconds)
{
    Setup held;
    held.escapeFromUs = qRound64(milliseconds * 1000);
    return held;
}

const QString pause = QStringLiteral("0 wait 500");
const QString stopped = QStringLiteral("Run stopped by Esc key");
const QString ended = QStringLiteral("Run stopped: the desktop ended its remote-desktop session");
const QString late =
    QStringLiteral("Run stopped: the desktop's remote-desktop service did not answer in time");
const QString badXY = QStringLiteral("Invalid coordinate values in input:  \"x，y，0\"");

// The input layer of this suite: it records each call at the virtual time it was made, and
// sleeping advances that clock instead of blocking, so runs are checked to the microsecond.
class RecordingInput final : public input::InputLayer
{
public:
    input::Readiness beginRun() override
    {
        nowUs += setup.consentUs;
        return {setup.beginRunError, setup.consentUs > 0 ? nowUs : 0};
    }
    void endRun() override {}

    bool setCursorPosition(int x, int y) override
    {
        const std::optional<input::StreamPoint> on =
            input::streamPointAt(setup.streams, setup.monitors, x, y);
        record("move",
               on ? QStringLiteral("%1:").arg(on->node) + point(on->x, on->y) : point(x, y));
        if (setup.firstMoveRefusal == 0)
            return true;
        lastError = std::exchange(setup.firstMoveRefusal, 0);
        calls.last() += QStringLiteral(" refused");
        return false;
    }

    bool cursorPosition(int &, int &) override { return false; }

    void sendMouseButton(input::MouseButtonEvent event, int x, int y) override
    {
        record(event == input::MouseButtonEvent::LeftDown ? "down" : "up", point(x, y));
    }

    void sleepMicroseconds(std::int64_t microseconds) override
    {
        if (waitFromUs < 0) {
            waitFromUs = nowUs;
            calls.append(QString());
        }
        nowUs += std::max<std::int64_t>(microseconds, 1); // as a look at the clock would
        if (setup.stallFromUs >= 0 && nowUs >= setup.stallFromUs) {
            setup.stallFromUs = -1;
            nowUs += 700'000;
        }
        calls.last() = ms(waitFromUs / 1000.0) + " wait " + ms((nowUs - waitFromUs) / 1000.0);
    }

    std::int64_t steadyMicroseconds() override { return nowUs; }

    bool isEscapeKeyDown() override
    {
        nowUs += setup.lookCostUs;
        return setup.escapeFromUs >= 0 && nowUs >= setup.escapeFromUs;
    }

    std::uint32_t inputLost() override
    {
        if (lost)
            return input::remoteDesktopLateError;
        if (setup.endsFromUs >= 0 && nowUs >= setup.endsFromUs)
            return input::remoteDesktopEndedError;
        return 0;
    }

    std::uint32_t lastErrorCode() override { return lastError; }
    bool isConfinedSession() override { return false; }

    Setup setup;
    // "<ms> move x,y[ refused]", "<ms> move <stream>:x,y", "<ms> down x,y", "<ms> up x,y",
    // "<ms> wait <ms>"; " failed" after a call the desktop left unanswered
    QStringList calls;

private:
    static QString point(int x, int y) { return QStringLiteral("%1,%2").arg(x).arg(y); }

    void record(const char *call, const QString &where)
    {
        calls.append(QStringLiteral("%1 %2 %3").arg(ms(nowUs / 1000.0), call, where));
        nowUs += setup.callCostUs;
        waitFromUs = -1;
        if (++pointerCalls == setup.failingCall) {
            lost = true;
            calls.last() += QStringLiteral(" failed");
        }
    }

    std::int64_t nowUs = 0;
    std::int64_t waitFromUs = -1; // start of the sleeps in a row, -1 after any other call
    std::uint32_t lastError = 0;
    int pointerCalls = 0;
    bool lost = false;
};

} // namespace

class TestClickRunner : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
};

void TestClickRunner::runs_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<Setup>("given");
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<QStringList>("log");
    Setup refused, slow, noInput, escapeOnFourthLine, consent, twoMonitors, wholeDesktop,
        endsInHold, refuses, stalled;
    refused.firstMoveRefusal = 4294967295u;
    slow.callCostUs = 1500;
    noInput.beginRunError = 2;
    escapeOnFourthLine.lookCostUs = 1; // lines that never wait take time only to look at Esc
    escapeOnFourthLine.escapeFromUs = 500'005;
    consent.consentUs = 3'000'000;
    twoMonitors.streams = {{44, 0, 0, 1280, 1024}, {45, 1280, 0, 1920, 1080}};
    wholeDesktop.streams = {{46, 0, 0, 2304, 1024, false}}; // Plasma's, of 1280×1024 and 1024×768
    wholeDesktop.monitors = {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}};
    endsInHold.endsFromUs = 520'000;
    refuses.failingCall = 4;
    stalled.stallFromUs = 1'550'000;

    // A hiccup of 0.7 s at the end of the first delay: the late press keeps its hold and delay,
    // and the next comes 1050 ms after it, not in its wake at the old time, 350 ms later.
    QTest::newRow("a press late by most of its period starts the schedule again")
        << "100，200，1，3" << stalled
        << QStringList{pause, click(500, "100,200", 1700), click(2250, "100,200", 1000),
                       click(3300, "100,200", 1000)}
        << quoted({"100，200，1", "100，200，1", "100，200，1"});
    QTest::newRow("pause from the desktop's consent, holds of 50 ms whatever the delay")
        << "100，200，-1\n-5，-7，0" << consent
        << QStringList{"3000 wait 500", click(3500, "100,200"), click(3550, "-5,-7")}
        << quoted({"100，200，-1", "-5，-7，0"});
    QTest::newRow("moves never press, five fields move once; separators and blanks")
        << "#300，400，1，2\n#\n# 3，4，0，2，9\n，5，6" << Setup()
        << QStringList{pause, "500 move 300,400; 500 wait 1000; 1500 move 300,400",
                       "1500 wait 1000; 2500 move 0,0; 2500 move 3,4", click(2500, "5,6")}
        << quoted({"#300，400，1，2", "#", "# 3，4，0，2，9", "，5，6"});
    QTest::newRow("failing lines perform nothing")
        << "x，y，0\n #1，2\n1，2，0.5\n1，2，2147484\n#1，2，1，x\n#1，2，1，0" << Setup()
        << QStringList{pause}
        << QStringList{"\"x，y，0\"",       badXY,
                       "\" #1，2\"",        "Invalid coordinate values in input:  \" #1，2\"",
                       "\"1，2，0.5\"",     "Invalid delay value in input:  \"1，2，0.5\"",
                       "\"1，2，2147484\"", "Invalid delay value in input:  \"1，2，2147484\"",
                       "\"#1，2，1，x\"",   "Invalid repeat count in input:  \"#1，2，1，x\"",
                       "\"#1，2，1，0\""};
    QTest::newRow("a refused move is logged and still waits")
        << "#1，2，1\n#3，4" << refused
        << QStringList{pause, "500 move 1,2 refused; 500 wait 1000; 1500 move 3,4"}
        << QStringList{"\"#1，2，1\"", "Failed to set cursor position. Error code:  4294967295",
                       "\"#3，4\""};
    QTest::newRow("slow calls come out of the following waits")
        << "1，2，0，2\n#5，6，1\n7，8，1" << slow
        << QStringList{pause, "500 move 1,2; 501.5 down 1,2; 503 wait 47; 550 up 1,2",
                       "551.5 move 1,2; 553 down 1,2; 554.5 wait 45.5; 600 up 1,2",
                       "601.5 move 5,6; 603 wait 997; 1600 move 7,8; 1601.5 down 7,8",
                       "1603 wait 48.5; 1651.5 up 7,8; 1653 wait 997"}
        << quoted({"1，2，0", "1，2，0", "#5，6，1", "7，8，1"});
    QTest::newRow("on the monitors' streams, off them to the nearest edge")
        << "#100，200\n#1300，50\n#5000，-30\n#-50，2000" << twoMonitors
        << QStringList{pause, "500 move 44:100,200; 500 move 45:20,50; 500 move 45:1919,0",
                       "500 move 44:0,1023"}
        << quoted({"#100，200", "#1300，50", "#5000，-30", "#-50，2000"});
    QTest::newRow("on a stream of the whole desktop, off its monitors to their nearest edge")
        << "#1300，50\n#2000，1000" << wholeDesktop
        << QStringList{pause, "500 move 46:1300,50; 500 move 46:2000,767"}
        << quoted({"#1300，50", "#2000，1000"});
    QTest::newRow("session ended in a hold: released, nothing after")
        << "1，2，5\n3，4" << endsInHold << QStringList{pause, click(500, "1,2", 0, 20)}
        << quoted({"1，2，5"}) + QStringList{ended};
    QTest::newRow("an unanswered pointer call ends the run before its press")
        << "1，2，0\n3，4，0" << refuses
        << QStringList{pause, click(500, "1,2"), "550 move 3,4 failed"}
        << quoted({"1，2，0", "3，4，0"}) + QStringList{late};
    QTest::newRow("no input, no run")
        << "1，2" << noInput << QStringList()
        << QStringList{"Run not started, input cannot be injected. Error code: 2"};
    QTest::newRow("Esc already held")
        << "1，2" << escapeAt(0) << QStringList() << QStringList{stopped};
    QTest::newRow("Esc cuts a hold short, never leaving the button down")
        << "1，2，5" << escapeAt(515) << QStringList{pause, click(500, "1,2", 0, 20)}
        << quoted({"1，2，5"}) + QStringList{stopped};
    QTest::newRow("Esc in a long delay") << "1，2，60" << escapeAt(30001.234)
                                         << QStringList{pause, click(500, "1,2"), "550 wait 29460"}
                                         << quoted({"1，2，60"}) + QStringList{stopped};
    // Held as counts, the plan costs a few bytes; multiplied out, it would exhaust memory.
    QTest::newRow("Esc among 2147483647 repeats of lines that never wait")
        << "x，y，0，2147483647\n*2147483647" << escapeOnFourthLine
        << QStringList{"0.001 wait 499.999"}
        << QStringList{"\"x，y，0\"", badXY, "\"x，y，0\"", badXY, "\"x，y，0\"", badXY, stopped};
}

void TestClickRunner::runs()
{
    QFETCH(QString, script);
    QFETCH(Setup, given);
    QFETCH(QStringList, timeline);
    RecordingInput input;
    input.setup = given;
    const LogCapture log;

    ClickRunner(input).run(script);

    QCOMPARE(input.calls.join(QStringLiteral("; ")), timeline.join(QStringLiteral("; ")));
    QTEST(log.lines, "log");
}

QTEST_GUILESS_MAIN(TestClickRunner)
#include "tst_clickrunner.moc"
