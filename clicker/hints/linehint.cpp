#include "linehint.h"

#include <QDebug>

namespace {

constexpr QChar asciiComma(u',');
// A tooltip quotes a long line in part: all 10,000 characters of the longest line a script
// may have would cover the screen and take long to lay out.
constexpr qsizetype quotedCharacters = 60;

QString quoted(const QString &text)
{
    return text.size() <= quotedCharacters ? text : text.left(quotedCharacters) + u'…';
}

// The line the run writes to the debug log, made the way the run makes it.
QString logLine(ParseFailure failure, const QString &planLine)
{
    QString line;
    QDebug(&line) << parseFailureMessage(failure) << planLine;
    return line.trimmed(); // the space the stream leaves after its last item
}

QString failureReason(ParseFailure failure)
{
    switch (failure) {
    case ParseFailure::Coordinates:
        return QStringLiteral("X 和 Y 必须是整数");
    case ParseFailure::Delay:
        return QStringLiteral("延时必须是整数秒");
    case ParseFailure::RepeatCount:
        return QStringLiteral("次数必须是整数");
    }
    Q_UNREACHABLE();
}

// What a move or click without X and Y does instead.
QString atOrigin(LineKind kind)
{
    return kind == LineKind::Move ? QStringLiteral("运行时光标只会移到 (0, 0)。")
                                  : QStringLiteral("运行时在 (0, 0) 点击。");
}

} // namespace

LineHint::LineHint(QStringView line)
    : asciiCommas(hasAsciiCommas(line)), anySeparator(line.contains(scriptFieldSeparator))
{
    const ScriptLine read = readScriptLine(line);
    kind = read.kind;
    count = read.count;
    // Only a line that reaches the run can fail there.
    if (read.copies > 0) {
        failingPlanLine = read.planLine.toString();
        const std::variant<ClickStep, ParseFailure> parsed = parseClickStep(failingPlanLine);
        if (const auto *failed = std::get_if<ParseFailure>(&parsed))
            failure = *failed;
        else
            positionGiven = std::get<ClickStep>(parsed).positionGiven;
    }
    switch (kind) {
    case LineKind::Empty:
        break;
    case LineKind::RepeatMarker:
        verdict = count.value_or(0) > 0 ? Level::Effect : Level::Warning;
        break;
    case LineKind::OtherAsterisk:
    case LineKind::Other:
        verdict = Level::Warning;
        break;
    default: // moves and steps: a count that is no number, a failure, ASCII commas, no X and Y
        verdict = !count || failure || asciiCommas || !positionGiven ? Level::Warning : Level::None;
        break;
    }
}

QString LineHint::text(const LinesUpward &linesUpward) const
{
    if (verdict == Level::None)
        return {};
    if (kind == LineKind::RepeatMarker)
        return markerText(linesUpward);
    if (asciiCommas) {
        return QStringLiteral("用的是英文逗号，脚本需要中文逗号“，”。") +
               (kind == LineKind::Move ? atOrigin(kind) : QStringLiteral("运行时忽略这一行。"));
    }
    if (failure) {
        return failureReason(*failure) + QStringLiteral("，运行时跳过这一行。调试日志写：\n") +
               logLine(*failure, quoted(failingPlanLine));
    }
    if (!positionGiven)
        return QStringLiteral("没有写 X 和 Y，") + atOrigin(kind);
    switch (kind) {
    case LineKind::OtherAsterisk:
        return QStringLiteral("不是重复标记：“*”后面只能紧跟半角数字，不能有空格或别的字符。"
                              "运行时忽略这一行。");
    case LineKind::CountedStep:
        return QStringLiteral("次数不是整数，这一行一次也不执行。");
    default:
        return anySeparator
                   ? QStringLiteral("中文逗号“，”多于 3 个（X，Y，延时，次数），运行时忽略这一行。")
                   : QStringLiteral("没有中文逗号“，”分隔，运行时忽略这一行。");
    }
}

QString LineHint::markerText(const LinesUpward &linesUpward) const
{
    qsizetype repeated = 0;
    for (std::optional<QString> above = linesUpward(); above; above = linesUpward()) {
        const ScriptLine line = readScriptLine(*above);
        if (line.kind == LineKind::RepeatMarker)
            break;
        if (line.copies > 0)
            ++repeated;
    }
    if (repeated == 0)
        return QStringLiteral("上面没有要重复的行，这个标记不起作用。");
    if (!count)
        return QStringLiteral("重复次数超出范围，以上 %1 行一次也不执行。").arg(repeated);
    if (*count == 0)
        return QStringLiteral("以上 %1 行一次也不执行。").arg(repeated);
    return QStringLiteral("以上 %1 行重复 %2 次").arg(repeated).arg(*count);
}

bool LineHint::hasAsciiCommas(QStringView line)
{
    if (!line.contains(asciiComma) || line.contains(scriptFieldSeparator))
        return false;
    const LineKind kind = readScriptLine(line).kind;
    return kind == LineKind::Move || kind == LineKind::Other;
}
