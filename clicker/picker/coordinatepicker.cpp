#include "coordinatepicker.h"

#include "input.h"
#include "pickeroverlay.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

// How long the desktop gets to forget the hidden window before its picture is taken: a
// compositing window manager shows the change a frame or two later, and without one the
// windows beneath repaint what it uncovered.
constexpr int desktopSettleMs = 50;

// The picture of `screen`: the desktop's own where the input layer has one (a Wayland
// compositor shows the window system nothing of other programs' windows), else the window
// system's.
QPixmap pictureOf(QScreen *screen, const std::vector<input::MonitorPicture> &fromDesktop)
{
    const QRect geometry = screen->geometry();
    for (const input::MonitorPicture &picture : fromDesktop) {
        if (QPoint(picture.x, picture.y) != geometry.topLeft())
            continue;
        // A copy: a pixmap would share the pixels, which go when the pictures do.
        const QImage image =
            QImage(reinterpret_cast<const uchar *>(picture.pixels.data()), picture.width,
                   picture.height, picture.width * 4, QImage::Format_RGB32)
                .copy();
        // The picker shows a screen in its native pixels, the pointer's units; a monitor the
        // desktop scales for XWayland has its frame made the same size.
        const QSize native = (QSizeF(geometry.size()) * screen->devicePixelRatio()).toSize();
        return QPixmap::fromImage(
            image.size() == native
                ? image
                : image.scaled(native, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return screen->grabWindow(0);
}

} // namespace

CoordinatePicker::CoordinatePicker(QObject *parent) : QObject(parent) {}

CoordinatePicker::~CoordinatePicker()
{
    qDeleteAll(overlays);
}

void CoordinatePicker::start(QWidget *windowToHide, input::InputLayer &pickInput)
{
    if (aside.isAside())
        return;
    aside.start(windowToHide);
    input = &pickInput;
    QTimer::singleShot(desktopSettleMs, this, &CoordinatePicker::showOverlays);
}

void CoordinatePicker::showOverlays()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    // Every picture before the first overlay shows, so that none of them holds an overlay.
    std::uint32_t unavailableError = 0;
    const std::vector<input::MonitorPicture> fromDesktop = input->monitorPictures(unavailableError);
    // Without them the picture would be the window system's, black or showing only some
    // windows, and its points would be ones a run cannot click either.
    if (unavailableError != 0) {
        aside.bringBack();
        emit unavailable(unavailableError);
        return;
    }
    QList<QPixmap> pictures;
    for (QScreen *screen : screens)
        pictures.append(pictureOf(screen, fromDesktop));
    for (qsizetype i = 0; i < screens.size(); ++i) {
        auto *overlay = new PickerOverlay(screens[i], pictures[i]);
        connect(overlay, &PickerOverlay::pointerMoved, this, &CoordinatePicker::followPointer);
        connect(overlay, &PickerOverlay::stepRequested, this, &CoordinatePicker::step);
        connect(overlay, &PickerOverlay::pickRequested, this, [this] { finish(true); });
        connect(overlay, &PickerOverlay::cancelRequested, this, [this] { finish(false); });
        overlays.append(overlay);
    }
    if (overlays.isEmpty()) {
        finish(false);
        return;
    }
    followPointer();
    for (PickerOverlay *overlay : std::as_const(overlays))
        overlay->showFullScreen();

    // The keys go to the screen the user is looking at, the one with the pointer.
    const std::optional<QPoint> pointer = pointerPosition();
    const auto underPointer =
        std::find_if(overlays.cbegin(), overlays.cend(), [&](const PickerOverlay *overlay) {
            return pointer && overlay->covers(*pointer);
        });
    (underPointer != overlays.cend() ? *underPointer : overlays.first())->activateWindow();
}

void CoordinatePicker::followPointer()
{
    const std::optional<QPoint> pointer = pointerPosition();
    if (!pointer)
        return;
    for (PickerOverlay *overlay : std::as_const(overlays))
        overlay->showPointer(*pointer);
}

void CoordinatePicker::step(QPoint step)
{
    const std::optional<QPoint> pointer = pointerPosition();
    if (pointer && input->setCursorPosition(pointer->x() + step.x(), pointer->y() + step.y()))
        followPointer();
}

void CoordinatePicker::finish(bool accepted)
{
    // A click can still arrive after Enter has ended the pick.
    if (overlays.isEmpty() && !aside.isAside())
        return;
    const std::optional<QPoint> point = accepted ? pointerPosition() : std::nullopt;

    // The window is back and active before the overlays go: hiding the active overlay first
    // would hand the foreground to another program, and Windows does not let a program that
    // lost it take it back.
    aside.bringBack();
    for (PickerOverlay *overlay : std::as_const(overlays)) {
        overlay->hide();
        // Later: this may run inside one of the overlay's own event handlers.
        overlay->deleteLater();
    }
    overlays.clear();

    if (point)
        emit picked(*point);
    else
        emit cancelled();
}

std::optional<QPoint> CoordinatePicker::pointerPosition() const
{
    int x = 0;
    int y = 0;
    if (!input || !input->cursorPosition(x, y))
        return std::nullopt;
    return QPoint(x, y);
}
