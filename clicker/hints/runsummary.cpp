#include "runsummary.h"

#include "clickrunner.h"
#include "clickscript.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

#include <cmath>

namespace {

constexpr double secondsPerDay = 86'400;
constexpr double secondsPerYear = 365.25 * secondsPerDay;
constexpr double hundredMillion = 1e8; // 亿, the unit of Chinese large numbers

QString whole(double value)
{
    return QString::number(value, 'f', 0);
}

QString timesText(double times)
{
    return times < hundredMillion ? u' ' + whole(times) + QStringLiteral(" 次")
                                  : QStringLiteral("约 %1 亿次").arg(whole(times / hundredMillion));
}

QString durationText(double milliseconds)
{
    const double seconds = std::round(milliseconds / 1000);
    const auto parts = [seconds](const char *format, double unit, double subunit) {
        return QString::fromUtf8(format).arg(whole(std::floor(seconds / unit)),
                                             whole(std::floor(std::fmod(seconds, unit) / subunit)));
    };
    if (seconds < 60)
        return QStringLiteral("约 %1 秒").arg(whole(seconds));
    if (seconds < 3600)
        return parts("约 %1 分 %2 秒", 60, 1);
    if (seconds < secondsPerDay)
        return parts("约 %1 小时 %2 分", 3600, 60);
    if (seconds < secondsPerYear)
        return parts("约 %1 天 %2 小时", secondsPerDay, 3600);
    const double years = seconds / secondsPerYear;
    return years < hundredMillion ? QStringLiteral("约 %1 年").arg(whole(years))
                                  : QStringLiteral("超过 1 亿年");
}

} // namespace

RunSummary::RunSummary(QWidget *button, QTextDocument *script) : QObject(button), script(script)
{
    button->installEventFilter(this);
    connect(script, &QTextDocument::contentsChanged, this, [this] { summary.clear(); });
}

QString RunSummary::describe(const QString &script)
{
    const PlanTally tally = tallyRunPlan(buildRunPlan(script));
    if (tally.clicks == 0 && tally.moves == 0)
        return QStringLiteral("不会点击或移动鼠标");
    QStringList actions;
    if (tally.clicks > 0)
        actions.append(QStringLiteral("点击") + timesText(tally.clicks));
    if (tally.moves > 0)
        actions.append(QStringLiteral("移动") + timesText(tally.moves));
    // The run's own schedule: the pause before the first action, each press held.
    const double runMs =
        ClickRunner::startPauseMs + tally.clicks * ClickRunner::pressHoldMs + tally.delayMs;
    return QStringLiteral("将") + actions.join(u'、') + u'，' + durationText(runMs);
}

bool RunSummary::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    if (summary.isEmpty())
        summary = describe(script->toPlainText());
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), summary,
                       static_cast<QWidget *>(watched));
    return true;
}
