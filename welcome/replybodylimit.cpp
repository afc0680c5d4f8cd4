#include "replybodylimit.h"

#include <QNetworkReply>

namespace {

const char *const oversizeProperty = "quorvaneBodyTooLarge";

bool isOversize(const QNetworkReply *reply)
{
    // The abort comes too late when a whole short reply was already in before its progress
    // was reported, so the announced and the buffered size are checked again at the end.
    return reply->property(oversizeProperty).toBool() ||
           reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxReplyBodyBytes ||
           reply->bytesAvailable() > maxReplyBodyBytes;
}

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

bool replyFailed(const QNetworkReply *reply)
{
    return reply->error() != QNetworkReply::NoError || isOversize(reply);
}

QString replyErrorText(const QNetworkReply *reply)
{
    if (isOversize(reply))
        return QStringLiteral("Reply body larger than %1 bytes").arg(maxReplyBodyBytes);
    return reply->errorString();
}
