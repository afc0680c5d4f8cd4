#include "clickscript.h"

#include <QTest>

namespace {

void row(const char *name, const QString &script, const QString &planLines)
{
    QTest::newRow(name) << script << planLines;
}

} // namespace

class TestClickScript : public QObject
{
    Q_OBJECT

private slots:
    void buildsRunPlan_data();
    void buildsRunPlan();
};

void TestClickScript::buildsRunPlan_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("planLines"); // the full expansion, " | "-separated
    row("markers repeat the lines since the last one",
        "10，20，1\n*2\n30，40\n50，60，0，2\n*3\n70，80，1",
        "10，20，1 | 10，20，1 | 30，40 | 50，60，0 | 50，60，0 | 30，40 | 50，60，0 | 50，60，0 | "
        "30，40 | 50，60，0 | 50，60，0 | 70，80，1");
    row("ignored lines", "\n   \nnote\n100,200,1\na，b，c，d，e\n＊2", "");
    row("marker look-alikes leave the segment open", "1，2\n* 2\n*2 \n*-1\n*２\n3，4\n*2",
        "1，2 | 3，4 | 1，2 | 3，4");
    row("*0 and counts beyond int discard", "1，2\n*0\n3，4\n*2147483648\n5，6", "5，6");
    row("markers first and in a row repeat nothing", "*3\n1，2\n*2\n*5", "1，2 | 1，2");
    row("click counts not positive numbers", "1，2，3，0\n1，2，3，-1\n1，2，3，x\n1，2，3，", "");
}

void TestClickScript::buildsRunPlan()
{
    QFETCH(QString, script);
    QStringList lines;
    forEachPlanLine(buildRunPlan(script), [&](const QString &line) {
        lines.append(line);
        return true;
    });
    QTEST(lines.join(QStringLiteral(" | ")), "planLines");
}

QTEST_GUILESS_MAIN(TestClickScript)
#include "tst_clickscript.moc"
