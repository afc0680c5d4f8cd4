#include "replybodylimit.h"

#include <QNetworkReply>

namespace {

const char *const oversizeProperty = "quorvaneBodyTooLarge";

} // namespace

void limitReplyBody(QNetworkReply *reply)
{
    // One byte of head room lets a body of exactly the limit finish, while anything longer
    // fills the buffer, shows up in the progress below and is aborted instead of stalling.
    reply->setReadBufferSize(maxReplyBodyBytes + 1);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply](qint64 received, qint64 total) {
                         if (received <= maxReplyBodyBytes && total <= maxReplyBodyBytes)
                             return;
                         if (reply->property(oversizeProperty).toBool())
                             return;
                         reply->setProperty(oversizeProperty, true);
                         reply->abort();
                     });
}

QString replyErrorText(const QNetworkReply *reply)
{
    if (reply->property(oversizeProperty).toBool())
        return QStringLiteral("Reply body larger than %1 bytes").arg(maxReplyBodyBytes);
    return reply->errorString();
}
