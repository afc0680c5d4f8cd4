#include "fakeinput.h"
#include "logcapture.h"
#include "widget.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString at(qint64 milliseconds, const QString &call)
{
    return QStringLiteral("%1 %2").arg(milliseconds * 1000).arg(call);
}

// The calls of one press that starts at `atMs` on the virtual clock.
QStringList click(qint64 atMs, int x, int y, int delayMs = 0)
{
    const QString position = QStringLiteral("%1, %2").arg(x).arg(y);
    QStringList calls{at(atMs, "setCursorPosition(" + position + ")"),
                      at(atMs, "sendMouseButton(LeftDown, " + position + ")"),
                      at(atMs, "sleepMilliseconds(50)"),
                      at(atMs + 50, "sendMouseButton(LeftUp, " + position + ")")};
    if (delayMs > 0)
        calls.append(at(atMs + 50, QStringLiteral("sleepMilliseconds(%1)").arg(delayMs)));
    return calls;
}

// The calls of one cursor move that starts at `atMs` and succeeds.
QStringList move(qint64 atMs, int x, int y, int delayMs = 0)
{
    QStringList calls{at(atMs, QStringLiteral("setCursorPosition(%1, %2)").arg(x).arg(y))};
    if (delayMs > 0)
        calls.append(at(atMs, QStringLiteral("sleepMilliseconds(%1)").arg(delayMs)));
    return calls;
}

const QStringList startPause{"0 sleepMilliseconds(500)"};

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

private:
    QTemporaryDir workingDirectory;
};

void TestClickRunner::initTestCase()
{
    QVERIFY(workingDirectory.isValid());
    QVERIFY(QDir::setCurrent(workingDirectory.path()));
}

void TestClickRunner::runsScript_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QList<uint>>("refusedMoveCodes");
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<QStringList>("log");

    const QString wait = QStringLiteral("sleepMilliseconds(%1)");
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
                           at(500, wait.arg(1000))} +
               move(1500, 3, 4)
        << QStringList{quoted("#1，2，1"), refused + "4294967295", quoted("#3，4")};
    QTest::newRow("refused click unnoticed")
        << "1，2" << QList<uint>{5} << startPause + click(500, 1, 2) << QStringList{quoted("1，2")};
}

void TestClickRunner::runsScript()
{
    QFETCH(QString, script);
    QFETCH(QList<uint>, refusedMoveCodes);

    Widget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    auto *editor = widget.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *button = widget.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QVERIFY(editor && button);
    editor->setPlainText(script);

    FakeInput input;
    QList<std::optional<std::uint32_t>> outcomes;
    for (const uint code : refusedMoveCodes)
        outcomes.append(code);
    input.scriptCursorMoves(outcomes);
    LogCapture log;

    QTest::mouseClick(button, Qt::LeftButton);

    QTEST(input.timeline(), "timeline");
    QTEST(log.lines(), "log");
}

QTEST_MAIN(TestClickRunner)
#include "tst_clickrunner.moc"
