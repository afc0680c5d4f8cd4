#include "input.h"
#include "welcomepage.h"
#include "widget.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    input::prepareWindowSystem();
    QApplication app(argc, argv);
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/Resource/icon.ico")));
    QCoreApplication::setOrganizationName(QStringLiteral("YourCompany"));
    QCoreApplication::setApplicationName(QStringLiteral("YourApp"));

    if (WelcomePage::shouldShowWelcome()) {
        // Scoped so the dialog is gone before the main window exists.
        WelcomePage welcome;
        if (welcome.exec() == QDialog::Rejected)
            return 0;
    }

    Widget window;
    window.show();
    return QApplication::exec();
}
