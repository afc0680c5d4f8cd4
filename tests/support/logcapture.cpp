#include "logcapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex recordedMutex;
QStringList recorded;
bool capturing = false;

} // namespace

LogCapture::LogCapture()
{
    Q_ASSERT(!capturing);
    capturing = true;
    clear();
    previous = qInstallMessageHandler(&LogCapture::record);
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

void LogCapture::record(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    // The default pattern puts a category prefix only on non-default categories.
    const QString category = QString::fromLatin1(context.category ? context.category : "default");
    const QString line =
        category == QLatin1String("default") ? message : category + QLatin1String(": ") + message;
    QMutexLocker lock(&recordedMutex);
    recorded.append(line);
}
