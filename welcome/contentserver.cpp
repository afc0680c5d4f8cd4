#include "contentserver.h"

#include <QDateTime>
#include <QUrl>

QString welcomeFolderUrl()
{
    return contentServerBaseUrl() + QStringLiteral("qt/welcome/");
}

QString timeStamp()
{
    return QString::number(QDateTime::currentMSecsSinceEpoch());
}

QNetworkRequest listingRequest(const QString &page)
{
    QNetworkRequest request(QUrl(welcomeFolderUrl() + page + timeStamp()));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    return request;
}
