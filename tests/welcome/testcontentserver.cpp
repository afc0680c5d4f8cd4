#include "testcontentserver.h"

#include "contentserver.h"

namespace {

QString currentBaseUrl = QStringLiteral("http://127.0.0.1:9/");

} // namespace

void setContentServerBaseUrl(const QString &baseUrl)
{
    currentBaseUrl = baseUrl;
}

QString contentServerBaseUrl()
{
    return currentBaseUrl;
}
