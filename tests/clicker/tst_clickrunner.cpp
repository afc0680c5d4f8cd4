#include "fakeinput.h"
#include "logcapture.h"
#include "widget.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString at(qint64 milliseconds, const QString &call)
{
    return QStringLiteral("%1 %2").arg(milliseconds * 1000).arg(call);
}

QString wait(qint64 atMs, qint64 forMs)
{
    return at(atMs, QStringLiteral("wait(%1)").arg(forMs));
}

// The calls of one press that starts at `atMs` on the virtual clock, held `holdMs`.
QStringList click(qint64 atMs, int x, int y, int delayMs = 0, int holdMs = 50)
{
    const QString position = QStringLiteral("%1, %2").arg(x).arg(y);
    QStringList calls{at(atMs, "setCursorPosition(" + position + ")"),
                      at(atMs, "sendMouseButton(LeftDown, " + position + ")"), wait(atMs, holdMs),
                      at(atMs + holdMs, "sendMouseButton(LeftUp, " + position + ")")};
    if (delayMs > 0)
        calls.append(wait(atMs + holdMs, delayMs));
    return calls;
}

// The calls of one cursor move that starts at `atMs` and succeeds.
QStringList move(qint64 atMs, int x, int y, int delayMs = 0)
{
    QStringList calls{at(atMs, QStringLiteral("setCursorPosition(%1, %2)").arg(x).arg(y))};
    if (delayMs > 0)
        calls.append(wait(atMs, delayMs));
    return calls;
}

const QStringList startPause{wait(0, 500)};
const QString stopped = QStringLiteral("Run stopped by Esc key");

QString quoted(const QString &planLine)
{
    return '"' + planLine + '"';
}

} // namespace

class TestClickRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void runsScript_data();
    void runsScript();
    void escapeStopsTheRun_data();
    void escapeStopsTheRun();

private:
    void clickExecuteButton(const QString &script);

    QTemporaryDir workingDirectory;
    std::unique_ptr<Widget> widget;
};

void TestClickRunner::initTestCase()
{
    QVERIFY(workingDirectory.isValid());
    QVERIFY(QDir::setCurrent(workingDirectory.path()));
    widget = std::make_unique<Widget>();
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
}

void TestClickRunner::clickExecuteButton(const QString &script)
{
    auto *editor = widget->findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *button = widget->findChild<QPushButton *>(QStringLiteral("pushButton"));
    QVERIFY(editor && button);
    editor->setPlainText(script);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestClickRunner::runsScript_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QList<uint>>("refusedMoveCodes");
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<QStringList>("log");

    const QString coordinates = QStringLiteral("Invalid coordinate values in input:  ");
    const QString refused = QStringLiteral("Failed to set cursor position. Error code:  ");
    const QList<uint> none;

    QTest::newRow("empty editor") << "" << none << startPause << QStringList();
    QTest::newRow("only ignored lines")
        << "note\n   \n1,2\n*x" << none << startPause << QStringList();
    QTest::newRow("click") << "100，200" << none << startPause + click(500, 100, 200)
                           << QStringList{quoted("100，200")};
    QTest::newRow("click with delay")
        << "100，200，2" << none << startPause + click(500, 100, 200, 2000)
        << QStringList{quoted("100，200，2")};
    QTest::newRow("click count") << "100，200，2，3" << none
                                 << startPause + click(500, 100, 200, 2000) +
                                        click(2550, 100, 200, 2000) + click(4600, 100, 200, 2000)
                                 << QStringList(3, quoted("100，200，2"));
    QTest::newRow("negative delay") << "100，200，-1\n-5，-7，0" << none
                                    << startPause + click(500, 100, 200) + click(550, -5, -7)
                                    << QStringList{quoted("100，200，-1"), quoted("-5，-7，0")};
    QTest::newRow("move") << "#300，400，2" << none << startPause + move(500, 300, 400, 2000)
                          << QStringList{quoted("#300，400，2")};
    QTest::newRow("move count") << "#300，400，1，3" << none
                                << startPause + move(500, 300, 400, 1000) +
                                       move(1500, 300, 400, 1000) + move(2500, 300, 400, 1000)
                                << QStringList{quoted("#300，400，1，3")};
    QTest::newRow("move jumps on")
        << "#\n3，4" << none << startPause + move(500, 0, 0) + click(500, 3, 4)
        << QStringList{quoted("#"), quoted("3，4")};
    QTest::newRow("move count 0") << "#1，2，1，0\n#1，2，1，-3" << none << startPause
                                  << QStringList{quoted("#1，2，1，0"), quoted("#1，2，1，-3")};
    QTest::newRow("markers") << "1，2，1\n*2\n3，4\n*2" << none
                             << startPause + click(500, 1, 2, 1000) + click(1550, 1, 2, 1000) +
                                    click(2600, 3, 4) + click(2650, 3, 4)
                             << QStringList{quoted("1，2，1"), quoted("1，2，1"), quoted("3，4"),
                                            quoted("3，4")};
    QTest::newRow("every line fails")
        << "a，b，1，2\n100，200，0.5\n#1，2，1，x" << none << startPause
        << QStringList{
               quoted("a，b，1"),       coordinates + quoted("a，b，1"),
               quoted("a，b，1"),       coordinates + quoted("a，b，1"),
               quoted("100，200，0.5"), "Invalid delay value in input:  " + quoted("100，200，0.5"),
               quoted("#1，2，1，x"),   "Invalid repeat count in input:  " + quoted("#1，2，1，x")};
    QTest::newRow("failure between steps")
        << "1，2\nx，2\n3，4" << none << startPause + click(500, 1, 2) + click(550, 3, 4)
        << QStringList{quoted("1，2"), quoted("x，2"), coordinates + quoted("x，2"),
                       quoted("3，4")};
    QTest::newRow("refused move still waits")
        << "#1，2，1\n#3，4" << QList<uint>{4294967295u}
        << startPause +
               QStringList{at(500, "setCursorPosition(1, 2)"), at(500, "lastErrorCode()"),
                           wait(500, 1000)} +
               move(1500, 3, 4)
        << QStringList{quoted("#1，2，1"), refused + "4294967295", quoted("#3，4")};
    QTest::newRow("refused click unnoticed")
        << "1，2" << QList<uint>{5} << startPause + click(500, 1, 2) << QStringList{quoted("1，2")};
}

void TestClickRunner::runsScript()
{
    QFETCH(QString, script);
    QFETCH(QList<uint>, refusedMoveCodes);

    FakeInput input;
    QList<std::optional<std::uint32_t>> outcomes;
    for (const uint code : refusedMoveCodes)
        outcomes.append(code);
    input.scriptCursorMoves(outcomes);
    LogCapture log;

    clickExecuteButton(script);

    QTEST(input.timeline(), "timeline");
    QTEST(log.lines(), "log");
}

// Esc is held from escapeFromMs to escapeUntilMs on the virtual clock, where the start
// pause begins at 0. The run must stop before its next action, within 10 ms, with the
// button up, and log nothing of the script after the stop.
void TestClickRunner::escapeStopsTheRun_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<double>("escapeFromMs");
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("already held when the button is clicked")
        << "100，200" << 0.0 << QStringList() << QStringList{stopped};
    QTest::newRow("in the start pause, before the plan is built")
        << "100，200\nx" << 123.456 << QStringList{wait(0, 130)} << QStringList{stopped};
    QTest::newRow("as the start pause ends")
        << "100，200" << 500.0 << startPause << QStringList{stopped};
    QTest::newRow("during a hold, which is cut short but released")
        << "100，200，5" << 515.0 << startPause + click(500, 100, 200, 0, 20)
        << QStringList{quoted("100，200，5"), stopped};
    QTest::newRow("during a long delay")
        << "100，200，60" << 30001.234
        << startPause + click(500, 100, 200) + QStringList{wait(550, 29460)}
        << QStringList{quoted("100，200，60"), stopped};
    QTest::newRow("during a move's delay")
        << "#300，400，2\n5，6" << 1234.567 << startPause + move(500, 300, 400, 740)
        << QStringList{quoted("#300，400，2"), stopped};
    QTest::newRow("between lines, before the next is logged")
        << "1，2，1\n3，4" << 1550.0 << startPause + click(500, 1, 2, 1000)
        << QStringList{quoted("1，2，1"), stopped};
    QTest::newRow("between presses of one line's count")
        << "100，200，0，5" << 575.0
        << startPause + click(500, 100, 200) + click(550, 100, 200, 0, 30)
        << QStringList{quoted("100，200，0"), quoted("100，200，0"), stopped};
    QTest::newRow("in a segment repeated 2147483647 times")
        << "900，600，1\n*2147483647" << 3672.0
        << startPause + click(500, 900, 600, 1000) + click(1550, 900, 600, 1000) +
               click(2600, 900, 600, 1000) + click(3650, 900, 600, 0, 30)
        << QStringList(4, quoted("900，600，1")) + QStringList{stopped};
}

void TestClickRunner::escapeStopsTheRun()
{
    QFETCH(QString, script);
    QFETCH(double, escapeFromMs);

    FakeInput input;
    const qint64 escapeFromUs = qRound64(escapeFromMs * 1000);
    input.holdEscape(escapeFromUs, escapeFromUs + 100'000);
    LogCapture log;

    clickExecuteButton(script);

    QTEST(input.timeline(), "timeline");
    QTEST(log.lines(), "log");
}

QTEST_MAIN(TestClickRunner)
#include "tst_clickrunner.moc"
