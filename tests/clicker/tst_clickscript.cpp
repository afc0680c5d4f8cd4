#include "clickscript.h"
#include "linehint.h"
#include "runsummary.h"

#include <QTest>

namespace {

// Enough for every row that ends; a longer plan shows "…" after them.
constexpr qsizetype shownPlanLines = 13;

const QString noSeparator = QStringLiteral("! 没有中文逗号“，”分隔，运行时忽略这一行。");
const QString asciiCommas = QStringLiteral("! 用的是英文逗号，脚本需要中文逗号“，”。");
const QString notAMarker =
    QStringLiteral("! 不是重复标记：“*”后面只能紧跟半角数字，不能有空格或别的"
                   "字符。运行时忽略这一行。");
const QString repeatsNothing = QStringLiteral("上面没有要重复的行，这个标记不起作用。");
const QString countNotANumber = QStringLiteral("! 次数不是整数，这一行一次也不执行。");
const QString nothingToDo = QStringLiteral("不会点击或移动鼠标");
const QString badXY = QStringLiteral("! X 和 Y 必须是整数，运行时跳过这一行。调试日志写：\n"
                                     "Invalid coordinate values in input:  \"");

void row(const char *name, const QString &script, const QString &planLines,
         const QStringList &hints, const QString &summary)
{
    QTest::newRow(name) << script << planLines << hints << summary;
}

// What the editor says of each line of `script`, "! " before a warning.
QStringList hintsOf(const QString &script)
{
    const QStringList lines = script.split(u'\n');
    QStringList hints;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const LineHint hint(lines[at]);
        const QString text = hint.text([above = at, &lines]() mutable {
            return above > 0 ? std::optional(lines[--above]) : std::nullopt;
        });
        hints.append(hint.level() == LineHint::Level::Warning ? "! " + text : text);
    }
    return hints;
}

} // namespace

class TestClickScript : public QObject
{
    Q_OBJECT

private slots:
    void explainsEachLine_data();
    void explainsEachLine();
};

// Each kind of line: what the run plan makes of it, what the editor says of it, and what the
// 执行 button's tooltip says the whole script does.
void TestClickScript::explainsEachLine_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("planLines"); // the full expansion, " | "-separated
    QTest::addColumn<QStringList>("hints"); // one a line
    QTest::addColumn<QString>("summary");
    row("markers repeat the lines since the last one",
        "10，20，1\n*2\n30，40\n50，60，0，2\n*3\n70，80，1\n#5，5，120",
        "10，20，1 | 10，20，1 | 30，40 | 50，60，0 | 50，60，0 | 30，40 | 50，60，0 | 50，60，0 | "
        "30，40 | 50，60，0 | 50，60，0 | 70，80，1 | #5，5，120",
        {"", "以上 1 行重复 2 次", "", "", "以上 2 行重复 3 次", "", ""},
        "将点击 12 次、移动 1 次，约 2 分 4 秒");
    row("ignored lines, ASCII commas, no X and Y",
        "\n   \nnote\n100,200,1\n#100,200\na，b，c，d，e\n＊2\n，5", "#100,200 | ，5",
        {"", noSeparator, noSeparator, asciiCommas + "运行时忽略这一行。",
         asciiCommas + "运行时光标只会移到 (0, 0)。",
         "! 中文逗号“，”多于 3 个（X，Y，延时，次数），运行时忽略这一行。", noSeparator,
         "! 没有写 X 和 Y，运行时在 (0, 0) 点击。"},
        "将点击 1 次、移动 1 次，约 1 秒");
    row("marker look-alikes leave the segment open", "1，2\n* 2\n*2 \n*-1\n*２\n3，4\n*2",
        "1，2 | 3，4 | 1，2 | 3，4",
        {"", notAMarker, notAMarker, notAMarker, notAMarker, "", "以上 2 行重复 2 次"},
        "将点击 4 次，约 1 秒");
    row("*0 and counts beyond int discard", "1，2\n*0\n3，4\n*2147483648\n5，6", "5，6",
        {"", "! 以上 1 行一次也不执行。", "", "! 重复次数超出范围，以上 1 行一次也不执行。", ""},
        "将点击 1 次，约 1 秒");
    row("markers first and in a row repeat nothing", "*3\n1，2\n*2\n*5", "1，2 | 1，2",
        {repeatsNothing, "", "以上 1 行重复 2 次", repeatsNothing}, "将点击 2 次，约 1 秒");
    row("click counts not positive numbers", "1，2，3，0\n1，2，3，-1\n1，2，3，x\n1，2，3，", "",
        {"", "", countNotANumber, countNotANumber}, nothingToDo);
    row("lines that fail when run, as the log says",
        "a，b，1，2\n1，2，0.5\n#1，2，1，x\n" + QString(61, u'9') + "，2",
        "a，b，1 | a，b，1 | 1，2，0.5 | #1，2，1，x | " + QString(61, u'9') + "，2",
        {badXY + "a，b，1\"",
         "! 延时必须是整数秒，运行时跳过这一行。调试日志写：\n"
         "Invalid delay value in input:  \"1，2，0.5\"",
         "! 次数必须是整数，运行时跳过这一行。调试日志写：\n"
         "Invalid repeat count in input:  \"#1，2，1，x\"",
         badXY + QString(60, u'9') + "…\""},
        nothingToDo);
    row("counts at the int limit, multiplied", "#1，2，3，2147483647\n*2147483647",
        QStringList(shownPlanLines, "#1，2，3，2147483647").join(" | ") + " | …",
        {"", "以上 1 行重复 2147483647 次"}, "将移动约 46116860141 亿次，超过 1 亿年");
}

void TestClickScript::explainsEachLine()
{
    QFETCH(QString, script);
    QStringList planLines;
    if (!forEachPlanLine(buildRunPlan(script), [&](const QString &line) {
            planLines.append(line);
            return planLines.size() <= shownPlanLines;
        }))
        planLines.last() = QStringLiteral("…");
    QTEST(planLines.join(QStringLiteral(" | ")), "planLines");
    QTEST(hintsOf(script), "hints");
    QTEST(RunSummary::describe(script), "summary");
}

QTEST_GUILESS_MAIN(TestClickScript)
#include "tst_clickscript.moc"
