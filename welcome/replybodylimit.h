#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkReply;

/// Largest reply body the welcome page accepts; anything bigger is a failed reply.
inline constexpr qint64 maxReplyBodyBytes = 32 * 1024 * 1024;

/// Keeps `reply` from buffering more than maxReplyBodyBytes: it is aborted as soon as its
/// announced or received size goes beyond that. Call right after sending the request.
void limitReplyBody(QNetworkReply *reply);

/// True when the finished `reply` failed: a network or HTTP error, or a body over the limit.
bool replyFailed(const QNetworkReply *reply);

/// The reply's error text, or a message of our own when its body is over the limit.
QString replyErrorText(const QNetworkReply *reply);
