// How long the saved scripts take with a crowded folder: constructing the main window (which
// lists the folder, loads the newest script and fills the list), one save with the rebuild
// that follows it, and opening the largest script the program loads (16 MiB) from the list
// until the editor has shown it. Prints figures only.
// Usage: bench_savedscripts [scripts in the folder, default 10000] [runs, default 5]
#include "widget.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

namespace {

bool fillFolder(int count)
{
    if (!QDir().mkpath(QStringLiteral("saved_files")))
        return false;
    const QDateTime oldest = QDateTime::currentDateTime().addDays(-30);
    const QByteArray script = "100，200，1，2\n300，400，0.5，1\n#500，600\n*3\n";
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("saved_files/%1.txt").arg(i, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
            return false;
        file.close();
        // Distinct times, spread in no particular relation to the names.
        if (!file.open(QIODevice::ReadOnly) ||
            !file.setFileTime(oldest.addSecs((i * 7919L) % count),
                              QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}

// The largest script the program loads, a little under 16 MiB, older than all the others.
bool writeLargestScript(const QString &name)
{
    const QByteArray lines = "100，200，1，2\n300，400，0.5，1\n#500，600\n*3\n";
    QFile file(QStringLiteral("saved_files/") + name);
    if (!file.open(QIODevice::WriteOnly) || !file.write(lines.repeated((16 << 20) / lines.size())))
        return false;
    file.close();
    return file.open(QIODevice::ReadOnly) &&
           file.setFileTime(QDateTime::currentDateTime().addYears(-1),
                            QFileDevice::FileModificationTime);
}

struct Runs
{
    std::vector<double> wallMillis;
    /// This process's processor time, which leaves out what a busy machine adds to the wall
    /// clock.
    std::vector<double> cpuMillis;
};

template <typename Action> Runs timeRuns(int runs, Action action)
{
    Runs figures;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const std::clock_t cpuStart = std::clock();
        timer.start();
        action();
        figures.wallMillis.push_back(double(timer.nsecsElapsed()) / 1e6);
        figures.cpuMillis.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    return figures;
}

void printFigures(const char *what, Runs runs)
{
    std::printf("  %s (%zu runs)\n", what, runs.wallMillis.size());
    const std::pair<const char *, std::vector<double> *> kinds[] = {
        {"wall clock", &runs.wallMillis}, {"processor", &runs.cpuMillis}};
    for (const auto &[kind, millis] : kinds) {
        std::sort(millis->begin(), millis->end());
        std::printf("    %-10s median %7.1f ms, best %7.1f ms, worst %7.1f ms\n", kind,
                    (*millis)[millis->size() / 2], millis->front(), millis->back());
    }
}

// The program's debug lines (one per save) would bury the figures.
void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (count < 1 || runs < 1) {
        std::fprintf(stderr, "usage: bench_savedscripts [scripts] [runs]\n");
        return 2;
    }

    QTemporaryDir workDir;
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path()) || !fillFolder(count)) {
        std::fprintf(stderr, "could not prepare a folder of %d scripts\n", count);
        return 1;
    }
    qInstallMessageHandler(dropMessages);

    std::printf("saved scripts, %d files in the folder:\n", count);
    printFigures("start-up (construct the main window)", timeRuns(runs, [] { Widget window; }));

    Widget window;
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *saveButton = window.findChild<QPushButton *>(QStringLiteral("pushButton_4"));
    editor->setPlainText(QStringLiteral("100，200，1，2\n300，400，0.5，1\n"));
    printFigures("save, rebuild the list, reload the newest",
                 timeRuns(runs, [saveButton] { saveButton->click(); }));

    const QString largest = QStringLiteral("largest.txt");
    if (!writeLargestScript(largest)) {
        std::fprintf(stderr, "could not write a script of 16 MiB\n");
        return 1;
    }
    Widget shown;
    shown.show();
    auto *list = shown.findChild<QListView *>(QStringLiteral("listView"));
    const QModelIndex entry =
        list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, largest).value(0);
    printFigures("open the 16 MiB script from the list until shown", timeRuns(runs, [&] {
                     emit list->clicked(entry);
                     QCoreApplication::processEvents();
                 }));
    return 0;
}
