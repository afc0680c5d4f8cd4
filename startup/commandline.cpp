#include "commandline.h"

#include "scriptlibrary.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// The options of the toolkit's GUI and Widgets modules as its documentation lists them, and
// whether each takes a value.
struct ToolkitOption
{
    const char *name;
    bool takesValue;
};
constexpr ToolkitOption toolkitOptions[] = {
    {"platform", true},     {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true},       {"qwindowgeometry", true},    {"qwindowicon", true},
    {"qwindowtitle", true}, {"reverse", false},           {"session", true},
    {"display", true},      {"geometry", true},           {"style", true},
    {"stylesheet", true},   {"widgetcount", false},
};

void print(const QString &text, std::FILE *stream)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

void complain(const QString &message)
{
    print(QStringLiteral("quorvane: %1\n").arg(message), stderr);
}

CommandLine::CommandLine(int argc, char **argv)
{
    parser.setApplicationDescription(QStringLiteral(
        "Quorvane 模拟点击 clicks the mouse at screen positions from a typed script.\n"
        "Without options it opens its window.\n"
        "Exit status of --run: 0 performed; 2 a wrong command line or script file; 3 stopped\n"
        "by the user (Esc, the mouse moved on a Wayland desktop, the desktop's sharing turned\n"
        "off); 4 input cannot reach the desktop (no display, no XTest, the desktop's consent\n"
        "refused, its remote-desktop service failing during the run)."));
    // The toolkit's options are written with one dash: -platform xcb.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not the parser's own help option, whose --help-all would promise the toolkit's options.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Runs a script as 执行 does, without the window, then exits. <script> is "
                       "the name of a file in saved_files/ of the current folder, or a path."),
        QStringLiteral("script"));
    const QCommandLineOption list(
        QStringLiteral("list"),
        QStringLiteral("Prints the saved scripts of the current folder, newest first."));
    parser.addOptions({run, list});
    for (const ToolkitOption &known : toolkitOptions) {
        QCommandLineOption option(QString::fromLatin1(known.name));
        if (known.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QStringList arguments;
    for (int at = 0; at < argc; ++at)
        arguments.append(QString::fromLocal8Bit(argv[at]));
    if (!parser.parse(arguments)) {
        asked = Request::Mistake;
        detail = parser.errorText();
    } else if (parser.isSet(help)) {
        asked = Request::Help;
    } else if (parser.isSet(version)) {
        asked = Request::Version;
    } else if (!parser.positionalArguments().isEmpty()) {
        asked = Request::Mistake;
        detail = QStringLiteral("Unexpected argument '%1'.")
                     .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(run) && parser.isSet(list)) {
        asked = Request::Mistake;
        detail = QStringLiteral("--run and --list go one at a time.");
    } else if (parser.isSet(run)) {
        asked = Request::Run;
        detail = parser.value(run);
    } else if (parser.isSet(list)) {
        asked = Request::List;
    }
}

int CommandLine::answer(int &argc, char **argv)
{
    // No GUI: the toolkit's core names the program in the usage line and the version.
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    if (asked == Request::Help)
        parser.showHelp();
    if (asked == Request::Version)
        parser.showVersion();
    if (asked == Request::List) {
        QString names;
        for (const QFileInfo &entry : ScriptLibrary().list())
            names += entry.fileName() + QLatin1Char('\n');
        print(names, stdout);
        return exitPerformed;
    }
    complain(detail + QStringLiteral(" See --help."));
    return exitWrongCommandLine;
}
