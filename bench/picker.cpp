// How quickly picking a click position answers on a real X server, in the main window:
// - from the editor's action to every overlay on screen: the window hidden, the desktop left
//   to settle, its picture taken, the overlays shown and painted once;
// - the magnifier's frame time while it follows the pointer: from a pointer move (XTest, as
//   the mouse would) to the overlay repainted and handed to the X server.
// Prints figures only. The figures that matter are on a 1920x1080 screen:
//   xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" build/bench/bench_picker [picks] [moves]
#include "input.h"
#include "pickeroverlay.h"
#include "widget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

QList<PickerOverlay *> shownOverlays()
{
    QList<PickerOverlay *> overlays;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *overlay = qobject_cast<PickerOverlay *>(widget); overlay && overlay->isVisible())
            overlays.append(overlay);
    }
    return overlays;
}

template <typename Condition> void processEventsUntil(Condition condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool allExposed(const QList<PickerOverlay *> &overlays)
{
    return !overlays.isEmpty() &&
           std::all_of(overlays.cbegin(), overlays.cend(), [](const PickerOverlay *overlay) {
               return overlay->windowHandle() && overlay->windowHandle()->isExposed();
           });
}

/// Counts the paint events of the widgets it watches. It sees each before it is delivered;
/// the painting and the flush to the X server follow in the same call.
class PaintCounter final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

void printFigures(const char *what, std::vector<double> millis)
{
    std::sort(millis.begin(), millis.end());
    const auto rank = [&](double percent) {
        return millis[std::min(std::size_t(percent / 100.0 * double(millis.size())),
                               millis.size() - 1)];
    };
    std::printf("  %-34s median %6.2f ms, p95 %6.2f ms, worst %6.2f ms (%zu samples)\n", what,
                rank(50), rank(95), millis.back(), millis.size());
}

// The program's debug lines would bury the figures.
void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int picks = argc > 1 ? std::atoi(argv[1]) : 20;
    const int moves = argc > 2 ? std::atoi(argv[2]) : 500;
    if (picks < 1 || moves < 1 || QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "usage: bench_picker [picks] [moves], on an X server\n");
        return 2;
    }
    QTemporaryDir workDir; // the main window keeps its saved_files folder here
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path()))
        return 1;
    qInstallMessageHandler(dropMessages);

    Widget window;
    window.show();
    processEventsUntil([&] { return window.windowHandle()->isExposed(); });
    const QList<QAction *> actions = window.findChildren<QAction *>();
    QAction *const pick = *std::find_if(actions.cbegin(), actions.cend(), [](QAction *action) {
        return action->shortcut() == QKeySequence(QStringLiteral("Ctrl+Shift+P"));
    });
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("picking a position, %d screen(s), the first %dx%d:\n",
                int(QGuiApplication::screens().size()), screen.width(), screen.height());

    std::vector<double> shows;
    for (int i = 0; i < picks; ++i) {
        QElapsedTimer timer;
        timer.start();
        pick->trigger();
        processEventsUntil([] { return allExposed(shownOverlays()); });
        shows.push_back(double(timer.nsecsElapsed()) / 1e6);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(shownOverlays().first(), &escape);
        processEventsUntil([&] { return shownOverlays().isEmpty() && window.isVisible(); });
    }
    printFigures("action to overlays on screen", shows);

    pick->trigger();
    processEventsUntil([] { return allExposed(shownOverlays()); });
    PaintCounter counter;
    for (PickerOverlay *overlay : shownOverlays())
        overlay->installEventFilter(&counter);
    // A figure of eight over the whole screen, a few pixels a step, as a hand moves.
    std::vector<double> frames;
    QPoint last;
    for (int i = 0; i < moves; ++i) {
        const double angle = 2 * pi * i / moves;
        const QPoint point(int(screen.width() * (0.5 + 0.45 * std::sin(angle))),
                           int(screen.height() * (0.5 + 0.45 * std::sin(2 * angle))));
        if (point == std::exchange(last, point))
            continue; // no move, nothing to draw
        const int before = counter.paints;
        QElapsedTimer timer;
        timer.start();
        input::current().setCursorPosition(point.x(), point.y());
        processEventsUntil([&] { return counter.paints > before; });
        frames.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    printFigures("pointer move to magnifier drawn", frames);
    return 0;
}
