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
