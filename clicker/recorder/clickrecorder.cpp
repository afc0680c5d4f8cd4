#include "clickrecorder.h"

#include "desktopclickwatch.h"
#include "screennotice.h"

#include <QLabel>
#include <QMessageBox>

#include <cmath>

namespace {

constexpr int lastLineDelaySeconds = 1;

QString noticeText(qsizetype clicks)
{
    return QStringLiteral("正在录制点击（已录 %1 次），按 Esc 结束").arg(clicks);
}

} // namespace

ClickRecorder::ClickRecorder(QObject *parent) : QObject(parent) {}

ClickRecorder::~ClickRecorder() = default;

QString ClickRecorder::unavailableReason()
{
    return DesktopClickWatch::unavailableReason();
}

void ClickRecorder::start(QWidget *window)
{
    if (watch)
        return;
    watch = std::make_unique<DesktopClickWatch>();
    // Queued: the watch reports from inside its own reading, which finishing would pull away
    // from under it.
    connect(watch.get(), &DesktopClickWatch::pressed, this, &ClickRecorder::addClick,
            Qt::QueuedConnection);
    connect(watch.get(), &DesktopClickWatch::escapePressed, this, &ClickRecorder::finish,
            Qt::QueuedConnection);
    if (const QString failure = watch->start(); !failure.isEmpty()) {
        watch.reset();
        QMessageBox::warning(window, QStringLiteral("无法录制点击"), failure);
        return;
    }
    clicks.clear();
    aside.start(window);
    notice = showScreenNotice(QStringLiteral("录制点击"), noticeText(0));
}

void ClickRecorder::addClick(QPoint point, quint32 timeMs)
{
    if (!watch) // reported before the recording ended, arrived after
        return;
    if (clicks.size() == maxClicks) {
        finish();
        auto *box = new QMessageBox(
            QMessageBox::Information, QStringLiteral("录制已停止"),
            QStringLiteral("已录下 %1 次点击，达到上限，录制已停止。").arg(maxClicks));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    clicks.append(Click{point, timeMs});
    notice->setText(noticeText(clicks.size()));
    notice->adjustSize();
}

void ClickRecorder::finish()
{
    if (!watch)
        return;
    watch.reset();
    notice.reset();
    aside.bringBack();
    emit recorded(scriptLines());
}

QStringList ClickRecorder::scriptLines() const
{
    QStringList lines;
    for (qsizetype at = 0; at < clicks.size(); ++at) {
        // The clock wraps around: the difference of two of its readings does not.
        const long delaySeconds =
            at + 1 < clicks.size()
                ? std::lround((clicks[at + 1].timeMs - clicks[at].timeMs) / 1000.0)
                : lastLineDelaySeconds;
        lines.append(QStringLiteral("%1，%2，%3，1")
                         .arg(clicks[at].point.x())
                         .arg(clicks[at].point.y())
                         .arg(delaySeconds));
    }
    return lines;
}
