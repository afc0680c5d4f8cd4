#pragma once

#include <QObject>
#include <QString>

class QTextDocument;
class QWidget;

/// The 执行 button's tooltip: how many clicks and moves the script makes and about how long
/// its run takes, worked out from the run plan's counts, never by walking its repeats. It is
/// worked out when the tooltip is asked for and kept until the script changes, so typing
/// costs nothing here.
class RunSummary final : public QObject
{
    Q_OBJECT

public:
    /// Shows the summary of `script` as the tooltip of `button`.
    RunSummary(QWidget *button, QTextDocument *script);

    /// The words for `script`, for example "将点击 120 次、移动 4 次，约 2 分 5 秒".
    static QString describe(const QString &script);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTextDocument *script;
    QString summary; // empty while the script has changed since it was worked out
};
