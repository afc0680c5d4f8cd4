#include "contentserver.h"

QString contentServerBaseUrl()
{
    return QStringLiteral(CONTENT_SERVER_URL);
}
