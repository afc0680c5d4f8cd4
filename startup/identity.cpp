#include "identity.h"

#include <QGuiApplication>
#include <QIcon>

void identifyApplication()
{
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/Resource/icon.ico")));
    QCoreApplication::setOrganizationName(QStringLiteral("YourCompany"));
    QCoreApplication::setApplicationName(QStringLiteral("YourApp"));
}
