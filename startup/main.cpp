#include "commandline.h"
#include "identity.h"
#include "input.h"
#include "parentconsole.h"
#include "runcommand.h"
#include "welcomepage.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char **argv)
{
    // On a screen scaled beyond 100 %, a picture that rich text names is first looked for on the
    // disk as name@2x.png and so on, before any document is asked for it: text from the network
    // must not reach files or shares that way either.
    qputenv("QT_HIGHDPI_DISABLE_2X_IMAGE_LOADING", "1");
    // A run from the command line counts its pause from the command, as 执行 from its press.
    QElapsedTimer asked;
    asked.start();
    CommandLine commandLine(argc, argv);
    if (commandLine.request() != CommandLine::Request::OpenWindow) {
        useParentConsole();
        return commandLine.request() == CommandLine::Request::Run
                   ? runCommand(commandLine.script(), asked, argc, argv)
                   : commandLine.answer(argc, argv);
    }

    input::prepareWindowSystem();
    QApplication app(argc, argv);
    identifyApplication();

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
