// A full-screen window of the compositor's own (QT_QPA_PLATFORM=wayland) on every monitor,
// painted in one colour, that writes "shown" on standard output once all are painted, then
// each left-button event it gets: "press X Y TIME" or "release X Y TIME", in the desktop's
// pixels (the monitor's place in the layout plus the point in the window) and the compositor's
// milliseconds.
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>

#include <cstdio>
#include <functional>
#include <list>
#include <utility>

class Probe final : public QRasterWindow
{
public:
    std::function<void()> firstPainted;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(QRect(QPoint(), size()), QColor(0x33, 0x66, 0x99));
        if (!std::exchange(painted, true))
            firstPainted();
    }
    void mousePressEvent(QMouseEvent *event) override { write("press", event); }
    void mouseReleaseEvent(QMouseEvent *event) override { write("release", event); }

private:
    bool painted = false;

    void write(const char *what, QMouseEvent *event)
    {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint at = screen()->geometry().topLeft() + event->position().toPoint();
        std::printf("%s %d %d %llu\n", what, at.x(), at.y(),
                    static_cast<unsigned long long>(event->timestamp()));
        std::fflush(stdout);
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    std::list<Probe> probes;
    std::size_t painted = 0;
    for (QScreen *screen : QGuiApplication::screens()) {
        Probe &probe = probes.emplace_back();
        probe.firstPainted = [&] {
            if (++painted == probes.size()) {
                std::puts("shown");
                std::fflush(stdout);
            }
        };
        probe.setScreen(screen);
        probe.setGeometry(screen->geometry());
        probe.showFullScreen();
    }
    return QGuiApplication::exec();
}
