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
        lines.clear();
        previous = qInstallMessageHandler(&record);
    }
    ~LogCapture() { qInstallMessageHandler(previous); }

    inline static QStringList lines; ///< oldest first

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg && qstrcmp(context.category, "default") == 0)
            lines.append(message);
        else
            previous(type, context, message);
    }

    inline static QtMessageHandler previous = nullptr;
};
