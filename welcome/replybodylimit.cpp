#include "replybodylimit.h"

#include <QNetworkReply>

namespace {

const char *const oversizeProperty = "quorvaneBodyTooLarge";

bool isOversize(const QNetworkReply *reply)
{
    return reply->property(oversizeProperty).toBool() ||
           reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxReplyBodyBytes ||
           reply->bytesAvailable() > maxReplyBodyBytes;
}

} // namespace

void limitReplyBody(QNetworkReply *reply)
{
    // Looked at when the headers announce a length and whenever bytes arrive, whatever the
    // server's pacing. The reply's read buffer is left unbounded on purpose: a full buffer
    // stops the reply reading, and with it every signal that could end it.
    const auto abortWhenOversize = [reply] {
        if (reply->property(oversizeProperty).toBool() || !isOversize(reply))
            return;
        reply->setProperty(oversizeProperty, true);
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, abortWhenOversize);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, abortWhenOversize);
}

bool replyFailed(const QNetworkReply *reply)
{
    // A whole short reply can be in before its signals are handled, so the size is looked
    // at again when it has finished.
    return reply->error() != QNetworkReply::NoError || isOversize(reply);
}

QString replyErrorText(const QNetworkReply *reply)
{
    if (isOversize(reply))
        return QStringLiteral("Reply body larger than %1 bytes").arg(maxReplyBodyBytes);
    return reply->errorString();
}
