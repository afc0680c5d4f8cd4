#pragma once

#include <QStringList>
#include <QtMessageHandler>

/// Records every debug line written to the default logging category while it lives, exactly
/// as it would appear on standard error, so tests can compare whole lines. Warnings and other
/// categories (Qt's own) go on to the previous handler. Only one capture may be alive at a time.
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
