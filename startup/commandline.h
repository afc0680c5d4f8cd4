#pragma once

#include <QCommandLineParser>
#include <QString>

/// The exit statuses of a command line that does not open the window, as the README lists them.
enum ExitStatus : int {
    exitPerformed = 0,
    exitWrongCommandLine = 2, ///< an unknown option, or a script file that cannot be read
    exitStopped = 3,          ///< the user stopped the run before its end
    exitNoInput = 4,          ///< input cannot reach the desktop, before or during the run
};

/// Writes "quorvane: " and `message` as a line on standard error.
void complain(const QString &message);

/// What the program's arguments ask for. The toolkit's own options (-platform xcb and the
/// like, which it takes out of the arguments when the GUI starts) are known here too, so they
/// are not taken for mistakes, and telling a mistake needs no display.
class CommandLine final
{
public:
    enum class Request { OpenWindow, Run, List, Help, Version, Mistake };

    CommandLine(int argc, char **argv);

    Request request() const { return asked; }

    /// The script to run, as given.
    QString script() const { return detail; }

    /// Answers a request that needs no display (Help, Version, List, Mistake) on the standard
    /// streams and returns the exit status.
    int answer(int &argc, char **argv);

private:
    QCommandLineParser parser;
    Request asked = Request::OpenWindow;
    QString detail; // the script of Run, what is wrong for Mistake
};
