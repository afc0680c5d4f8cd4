#include "logcapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex recordedMutex;
QStringList recorded;
bool capturing = false;
QtMessageHandler forwardTo = nullptr;

} // namespace

LogCapture::LogCapture()
{
    Q_ASSERT(!capturing);
    capturing = true;
    clear();
    previous = qInstallMessageHandler(&LogCapture::record);
    forwardTo = previous;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    capturing = false;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&recordedMutex);
    return recorded;
}

void LogCapture::clear()
{
    QMutexLocker lock(&recordedMutex);
    recorded.clear();
}

void LogCapture::record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // The program writes debug lines to the default category only; Qt's own warnings pass on
    // untouched so they neither pollute nor vanish from a test's output.
    if (type != QtDebugMsg || (context.category && qstrcmp(context.category, "default") != 0)) {
        if (forwardTo)
            forwardTo(type, context, message);
        return;
    }
    QMutexLocker lock(&recordedMutex);
    recorded.append(message);
}
