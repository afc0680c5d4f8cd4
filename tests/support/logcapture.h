#pragma once

#include <QStringList>
#include <QtGlobal>

/// Records the program's debug lines (default category) while it lives, exactly as they would
/// appear on standard error. Qt's own warnings pass on to the previous handler.
class LogCapture final
{
public:
    LogCapture()
    {
        recorded().clear();
        previous() = qInstallMessageHandler(&record);
    }
    ~LogCapture() { qInstallMessageHandler(previous()); }
    QStringList lines() const { return recorded(); }

private:
    static QStringList &recorded()
    {
        static QStringList lines;
        return lines;
    }
    static QtMessageHandler &previous()
    {
        static QtMessageHandler handler;
        return handler;
    }
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg && qstrcmp(context.category, "default") == 0)
            recorded().append(message);
        else
            previous()(type, context, message);
    }
};
