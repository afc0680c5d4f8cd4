#include "input.h"
#include "welcomepage.h"
#include "widget.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    // On a screen scaled beyond 100 %, a picture that rich text names is first looked for on the
    // disk as name@2x.png and so on, before any document is asked for it: text from the network
    // must not reach files or shares that way either.
    qputenv("QT_HIGHDPI_DISABLE_2X_IMAGE_LOADING", "1");
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
