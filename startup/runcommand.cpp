#include "runcommand.h"

#include "commandline.h"
#include "commandlinerun.h"
#include "identity.h"
#include "input.h"
#include "scriptlibrary.h"

#include <QApplication>
#include <QFileInfo>

namespace {

QString reasonFor(ScriptLibrary::Unread unread)
{
    switch (unread) {
    case ScriptLibrary::Unread::NoSuchFile:
        return QStringLiteral("no such file");
    case ScriptLibrary::Unread::NotAFile:
        return QStringLiteral("not a file that can be read");
    case ScriptLibrary::Unread::TooLarge:
        return QStringLiteral("larger than the 16 MiB a script may have");
    case ScriptLibrary::Unread::OverlongLine:
        return QStringLiteral("a line longer than the 10000 characters a script line may have");
    }
    return {};
}

} // namespace

int runCommand(const QString &script, const QElapsedTimer &asked, int &argc, char **argv)
{
    const QString path = ScriptLibrary::locate(script);
    const std::variant<QString, ScriptLibrary::Unread> text = ScriptLibrary::readFile(path);
    if (const auto *unread = std::get_if<ScriptLibrary::Unread>(&text)) {
        complain(QStringLiteral("cannot run \"%1\": %2").arg(script, reasonFor(*unread)));
        return exitWrongCommandLine;
    }
    // The toolkit would end the program without one, before a box could say why.
    if (!input::hasDisplay()) {
        complain(QStringLiteral("cannot run \"%1\": no display to click on (DISPLAY is not set, "
                                "or it cannot be opened)")
                     .arg(script));
        return exitNoInput;
    }
    input::prepareWindowSystem();
    const QApplication application(argc, argv);
    identifyApplication();
    switch (runFromCommandLine(QFileInfo(path).fileName(), std::get<QString>(text), asked)) {
    case CommandLineRunEnd::Performed:
        return exitPerformed;
    case CommandLineRunEnd::Stopped:
        return exitStopped;
    case CommandLineRunEnd::InputUnavailable:
        break;
    }
    return exitNoInput;
}
