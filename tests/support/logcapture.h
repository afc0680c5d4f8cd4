#pragma once

#include <QStringList>
#include <QtMessageHandler>

/// Records every debug-stream line written while it lives, as the line would appear on
/// standard error with the default message pattern, so tests can compare whole lines.
/// Only one capture may be alive at a time.
class LogCapture final
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    /// The lines recorded so far, oldest first.
    QStringList lines() const;
    void clear();

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QtMessageHandler previous;
};
