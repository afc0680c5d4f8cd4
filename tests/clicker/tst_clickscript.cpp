#include "clickscript.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <limits>

namespace {

constexpr int intMax = std::numeric_limits<int>::max();
const QChar separator(0xFF0C);

// The first `limit` plan lines of the full expansion.
QStringList expand(const RunPlan &plan, qsizetype limit = intMax)
{
    QStringList lines;
    forEachPlanLine(plan, [&](const QString &line) {
        lines.append(line);
        return lines.size() < limit;
    });
    return lines;
}

bool isAsciiNumber(const QString &text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The first `limit` lines of a script's expansion, written out the plain way: every repeat
// and every click count becomes real list entries.
QStringList referenceExpansion(const QString &script, qsizetype limit)
{
    QStringList plan;
    QStringList segment;
    const auto appendRepeated = [&](const QStringList &lines, qint64 times) {
        for (qint64 round = 0; round < times && !lines.isEmpty() && plan.size() < limit; ++round)
            plan.append(lines.mid(0, limit - plan.size()));
    };
    for (const QString &line : script.split(u'\n')) {
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'*')) {
            if (!isAsciiNumber(line.mid(1)))
                continue;
            bool ok = false;
            const int repeats = line.mid(1).toInt(&ok);
            appendRepeated(segment, ok ? repeats : 0);
            segment.clear();
        } else if (line.startsWith(u'#')) {
            segment.append(line);
        } else {
            const QStringList fields = line.split(separator);
            if (fields.size() == 2 || fields.size() == 3)
                segment.append(line);
            bool ok = false;
            const int clicks = fields.size() == 4 ? fields[3].toInt(&ok) : 0;
            for (int copy = 0; ok && copy < clicks && segment.size() < limit; ++copy)
                segment.append(fields.mid(0, 3).join(separator));
        }
    }
    appendRepeated(segment, 1);
    return plan;
}

} // namespace

class TestClickScript : public QObject
{
    Q_OBJECT

private slots:
    void expandsScripts_data();
    void expandsScripts();
    void keepsHugeCountsAsCounts_data();
    void keepsHugeCountsAsCounts();
    void parsesSteps_data();
    void parsesSteps();
    void reportsParseFailures_data();
    void reportsParseFailures();
    void matchesPlainExpansionOnRandomScripts();
    void survivesBadInput_data();
    void survivesBadInput();
};

void TestClickScript::expandsScripts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("expected");

    const QString markers = QStringLiteral("10，20，1\n*2\n30，40\n50，60，0，2\n*3\n70，80，1");
    const QStringList segmentB{"30，40", "50，60，0", "50，60，0"};

    QTest::newRow("empty script") << "" << QStringList();
    QTest::newRow("blanks, ASCII commas, four separators")
        << "   \n100,200,1\n1，2，3，4，5" << QStringList();
    QTest::newRow("one separator") << "100，200" << QStringList{"100，200"};
    QTest::newRow("two separators") << "100，200，1" << QStringList{"100，200，1"};
    QTest::newRow("not trimmed") << " 100，200 " << QStringList{" 100，200 "};
    QTest::newRow("empty lines between steps") << "\n1，2\n\n3，4\n" << QStringList{"1，2", "3，4"};
    QTest::newRow("click count") << "100，200，1，2" << QStringList{"100，200，1", "100，200，1"};
    QTest::newRow("click count 0, negative, text, past int")
        << "1，2，1，0\n1，2，1，-3\n1，2，1，abc\n1，2，3，2147483648" << QStringList();
    QTest::newRow("invalid fields copied") << "a，b，1，2" << QStringList{"a，b，1", "a，b，1"};
    QTest::newRow("leading separator") << "，100，200，1" << QStringList{"，100，200"};
    QTest::newRow("move lines whole, count kept")
        << "#1，2，1，2，9\n#3，4，1，3\n#" << QStringList{"#1，2，1，2，9", "#3，4，1，3", "#"};
    QTest::newRow("blank before #, full-width #")
        << " #1，2\n＃1，2" << QStringList{" #1，2", "＃1，2"};
    QTest::newRow("full-width * other line") << "1，2\n＊2" << QStringList{"1，2"};
    QTest::newRow("marker") << "10，20\n*2\n30，40\n*3"
                            << QStringList{"10，20", "10，20", "30，40", "30，40", "30，40"};
    QTest::newRow("markers with counts") << markers
                                         << QStringList{"10，20，1", "10，20，1"} + segmentB +
                                                segmentB + segmentB + QStringList{"70，80，1"};
    QTest::newRow("marker 0 discards") << "1，2\n*0\n3，4" << QStringList{"3，4"};
    QTest::newRow("marker past int discards") << "1，2\n*2147483648\n3，4" << QStringList{"3，4"};
    QTest::newRow("marker leading zeros") << "1，2\n*002" << QStringList{"1，2", "1，2"};
    QTest::newRow("marker first line") << "*3\n1，2" << QStringList{"1，2"};
    QTest::newRow("second marker repeats nothing") << "1，2\n*2\n*3" << QStringList{"1，2", "1，2"};
    for (const char *notMarker : {"* 2", "*2 ", "*-1", "*+2", "*", "*２", "*٣"}) {
        QTest::addRow("not a marker: %s", notMarker)
            << QStringLiteral("1，2\n%1\n3，4\n*2").arg(QString::fromUtf8(notMarker))
            << QStringList{"1，2", "3，4", "1，2", "3，4"};
    }
}

void TestClickScript::expandsScripts()
{
    QFETCH(QString, script);
    QFETCH(QStringList, expected);

    QCOMPARE(expand(buildRunPlan(script)), expected);
}

void TestClickScript::keepsHugeCountsAsCounts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("repeats");

    QTest::newRow("marker") << "900，600\n*2147483647"
                            << "900，600" << 1 << intMax;
    QTest::newRow("click count") << "900，600，0，2147483647"
                                 << "900，600，0" << intMax << 1;
    QTest::newRow("both") << "9，6，0，2147483647\n*2147483647"
                          << "9，6，0" << intMax << intMax;
}

void TestClickScript::keepsHugeCountsAsCounts()
{
    QFETCH(QString, script);
    QFETCH(QString, text);
    QFETCH(int, copies);
    QFETCH(int, repeats);

    const RunPlan plan = buildRunPlan(script);

    QCOMPARE(plan.size(), 1);
    QCOMPARE(plan[0].repeats, repeats);
    QCOMPARE(plan[0].lines.size(), 1);
    QCOMPARE(plan[0].lines[0].text, text);
    QCOMPARE(plan[0].lines[0].copies, copies);
    QCOMPARE(expand(plan, 3), QStringList(3, text));
}

void TestClickScript::parsesSteps_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("moveOnly");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("count");

    QTest::newRow("position") << "100，200" << false << 100 << 200 << 0 << 1;
    QTest::newRow("delay") << "100，200，1" << false << 100 << 200 << 1000 << 1;
    QTest::newRow("negative delay") << "100，200，-1" << false << 100 << 200 << -1000 << 1;
    QTest::newRow("negative position") << "-5，-7" << false << -5 << -7 << 0 << 1;
    QTest::newRow("int limits") << "2147483647，-2147483648" << false << intMax << -intMax - 1 << 0
                                << 1;
    QTest::newRow("longest delay") << "0，0，2147483" << false << 0 << 0 << 2147483000 << 1;
    QTest::newRow("shortest delay") << "0，0，-2147483" << false << 0 << 0 << -2147483000 << 1;
    QTest::newRow("blanks around numbers") << " 1 ，2\t" << false << 1 << 2 << 0 << 1;
    QTest::newRow("separator only") << "，5" << false << 0 << 0 << 0 << 1;
    QTest::newRow("leading separator") << "，100，200" << false << 100 << 200 << 0 << 1;
    QTest::newRow("move") << "#300，400，2" << true << 300 << 400 << 2000 << 1;
    QTest::newRow("move count") << "#300，400，1，3" << true << 300 << 400 << 1000 << 3;
    QTest::newRow("move count 0") << "#1，2，1，0" << true << 1 << 2 << 1000 << 0;
    QTest::newRow("move five fields") << "#1，2，1，2，9" << true << 1 << 2 << 1000 << 1;
    QTest::newRow("move trimmed") << "# 100，200" << true << 100 << 200 << 0 << 1;
    QTest::newRow("move ideographic space") << "#\u3000"
                                               "1，2\u3000"
                                            << true << 1 << 2 << 0 << 1;
    QTest::newRow("move leading separator") << "#，7，8" << true << 7 << 8 << 0 << 1;
    QTest::newRow("number sign alone") << "#" << true << 0 << 0 << 0 << 1;
}

void TestClickScript::parsesSteps()
{
    QFETCH(QString, line);

    const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(line);

    QVERIFY(std::holds_alternative<ClickStep>(parsed));
    const ClickStep step = std::get<ClickStep>(parsed);
    QTEST(step.moveOnly, "moveOnly");
    QTEST(step.x, "x");
    QTEST(step.y, "y");
    QTEST(step.delayMs, "delayMs");
    QTEST(step.count, "count");
}

void TestClickScript::reportsParseFailures_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");

    const QString coordinates = QStringLiteral("Invalid coordinate values in input: ");
    const QString delay = QStringLiteral("Invalid delay value in input: ");
    const QString count = QStringLiteral("Invalid repeat count in input: ");

    QTest::newRow("text coordinates") << "a，b，1" << coordinates;
    QTest::newRow("two leading separators") << "，，200" << coordinates;
    QTest::newRow("blank before #") << " #100，200" << coordinates;
    QTest::newRow("full-width digits") << "１００，２００" << coordinates;
    QTest::newRow("x past int") << "2147483648，0" << coordinates;
    QTest::newRow("coordinates before delay") << "a，1，b" << coordinates;
    QTest::newRow("text delay") << "100，200，abc" << delay;
    QTest::newRow("fractional delay") << "100，200，0.5" << delay;
    QTest::newRow("empty delay") << "100，200，" << delay;
    QTest::newRow("delay ms past int") << "1，2，2147484" << delay;
    QTest::newRow("delay seconds past int") << "1，2，2147483648" << delay;
    QTest::newRow("delay before count") << "#1，2，x，y" << delay;
    QTest::newRow("text count") << "#100，200，1，x" << count;
    QTest::newRow("empty count") << "#100，200，1，" << count;
}

void TestClickScript::reportsParseFailures()
{
    QFETCH(QString, line);
    QFETCH(QString, message);

    const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(line);

    QVERIFY(std::holds_alternative<ParseFailure>(parsed));
    QCOMPARE(QString::fromLatin1(parseFailureMessage(std::get<ParseFailure>(parsed))), message);
}

void TestClickScript::matchesPlainExpansionOnRandomScripts()
{
    const QStringList leads{"", "", "", "*", "#", " ", "-", "＊", "＃", "，", "a"};
    const QStringList fields{"",           "0",          "2", "-3", "12",  " 1", "１",
                             "2147483647", "2147483648", "a", "٣",  "0.5", "😀",  "\t"};
    const QStringList separators{"，", "，", "，", ",", "*", " "};
    constexpr qsizetype limit = 200;
    QRandomGenerator random(20240611);
    const auto pick = [&random](const QStringList &from) {
        return from[random.bounded(from.size())];
    };
    const auto randomLine = [&]() -> QString {
        if (random.bounded(5) == 0)
            return "*" + pick(fields); // a marker hardly ever comes up by chance
        QString line = pick(leads);
        const int fieldCount = random.bounded(6);
        for (int field = 0; field < fieldCount; ++field)
            line += (field > 0 ? pick(separators) : QString()) + pick(fields);
        return line;
    };
    for (int round = 0; round < 5000; ++round) {
        QStringList lines(random.bounded(8));
        std::generate(lines.begin(), lines.end(), randomLine);
        const QString script = lines.join(u'\n');

        const QStringList planLines = expand(buildRunPlan(script), limit);
        QCOMPARE(planLines, referenceExpansion(script, limit));
        for (const QString &line : planLines)
            parseClickStep(line);
    }
}

void TestClickScript::survivesBadInput_data()
{
    QTest::addColumn<QString>("script");

    QRandomGenerator random(7);
    QByteArray junk(1 << 16, Qt::Uninitialized);
    for (char &byte : junk)
        byte = char(random.bounded(256));

    QTest::newRow("binary junk as UTF-8") << QString::fromUtf8(junk);
    QTest::newRow("binary junk as UTF-16")
        << QString(reinterpret_cast<const QChar *>(junk.constData()), junk.size() / 2);
    QTest::newRow("emoji") << "😀，😀，1，2\n#😀，😀\n*😀\n😀";
    QTest::newRow("unpaired surrogates")
        << QString(QChar(0xD800)) + "，" + QChar(0xDC00) + "，1，2\n*" + QChar(0xDBFF);
    QTest::newRow("1 MB number line, 1 MB of separators")
        << QStringLiteral("9").repeated(1 << 19) + "，" + QStringLiteral("9").repeated(1 << 19) +
               "\n" + QStringLiteral("，").repeated(1 << 19);
    QTest::newRow("million lines") << QStringLiteral("1，2\n").repeated(1000000);
    QTest::newRow("million markers") << QStringLiteral("1，2\n*2\n").repeated(500000);
    QTest::newRow("32-bit limits") << "2147483647，-2147483648，2147483，2147483647\n"
                                      "2147483648，-2147483649，2147484，-1\n*2147483648";
}

void TestClickScript::survivesBadInput()
{
    QFETCH(QString, script);
    constexpr qsizetype limit = 2000000;

    const QStringList planLines = expand(buildRunPlan(script), limit);

    QCOMPARE(planLines, referenceExpansion(script, limit));
    for (const QString &line : planLines)
        parseClickStep(line);
}

QTEST_GUILESS_MAIN(TestClickScript)
#include "tst_clickscript.moc"
