#include "contentserver.h"

QString welcomeFolderUrl()
{
    return contentServerBaseUrl() + QStringLiteral("qt/welcome/");
}
