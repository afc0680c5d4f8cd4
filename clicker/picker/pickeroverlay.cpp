#include "pickeroverlay.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int magnifiedPixels = 15; // odd, so that the pointer's pixel is the middle one
constexpr int cellSize = 8;         // logical pixels per magnified pixel
constexpr int magnifierSide = magnifiedPixels * cellSize;
// Far enough from the pointer that the magnifier never covers the pixels it shows.
constexpr int magnifierOffset = magnifiedPixels / 2 + 16;
constexpr int captionGap = 4;
// The crosshair stops short of the pointer's pixel so that the pixel itself stays visible.
constexpr qreal crosshairGap = 4;

QRect nativeGeometryOf(QScreen *screen, const QPixmap &picture)
{
    // Qt keeps a screen's top-left corner at its native position and scales within the
    // screen. The picture has the exact native size; the logical size times a fractional
    // ratio can be a pixel short.
    const QRect logical = screen->geometry();
    const QSize size = picture.isNull()
                           ? (QSizeF(logical.size()) * screen->devicePixelRatio()).toSize()
                           : picture.size();
    return {logical.topLeft(), size};
}

} // namespace

PickerOverlay::PickerOverlay(QScreen *screen, const QPixmap &picture)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture(picture), nativeGeometry(nativeGeometryOf(screen, picture)),
      pixelRatio(screen->devicePixelRatio())
{
    setWindowTitle(QStringLiteral("从屏幕选取坐标"));
    // Every pixel is painted from the picture: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The crosshair stands in for the pointer; the system's arrow would hide the pixel.
    setCursor(Qt::BlankCursor);
    setScreen(screen);
    setGeometry(screen->geometry());
}

bool PickerOverlay::covers(QPoint point) const
{
    return nativeGeometry.contains(point);
}

void PickerOverlay::showPointer(QPoint point)
{
    const std::optional<QPoint> next = covers(point) ? std::optional(point) : std::nullopt;
    if (next == pointer)
        return;
    // Only what the crosshair and the magnifier cover, before and after: repainting a whole
    // 1920x1080 screen for every pointer move takes twice as long, and far longer at worst.
    update(pointerRegion());
    pointer = next;
    update(pointerRegion());
}

void PickerOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (picture.isNull())
        painter.fillRect(rect(), Qt::darkGray);
    else
        painter.drawPixmap(0, 0, picture);
    if (!pointer)
        return;
    paintCrosshair(painter);
    paintMagnifier(painter);
}

void PickerOverlay::mouseMoveEvent(QMouseEvent *)
{
    emit pointerMoved();
}

void PickerOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    // On release rather than press, so that no window beneath gets half a click.
    if (event->button() == Qt::LeftButton)
        emit pickRequested();
    else if (event->button() == Qt::RightButton)
        emit cancelRequested();
}

void PickerOverlay::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        emit stepRequested({-1, 0});
        break;
    case Qt::Key_Right:
        emit stepRequested({1, 0});
        break;
    case Qt::Key_Up:
        emit stepRequested({0, -1});
        break;
    case Qt::Key_Down:
        emit stepRequested({0, 1});
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit pickRequested();
        break;
    case Qt::Key_Escape:
        emit cancelRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PickerOverlay::closeEvent(QCloseEvent *event)
{
    // Closed from outside (Alt+F4): with the main window hidden, a closed last window would
    // end the program and lose the script being edited. The pick ends as a cancel instead.
    event->ignore();
    emit cancelRequested();
}

QPointF PickerOverlay::pixelCentre() const
{
    return (QPointF(*pointer - nativeGeometry.topLeft()) + QPointF(0.5, 0.5)) / pixelRatio;
}

QRect PickerOverlay::magnifierArea() const
{
    const QSize size(magnifierSide,
                     magnifierSide + captionGap + fontMetrics().height() + 2 * captionGap);
    const QPointF centre = pixelCentre();
    // Below right of the pointer, on the other side where that would leave the screen.
    int left = int(centre.x()) + magnifierOffset;
    if (left + size.width() > width())
        left = int(centre.x()) - magnifierOffset - size.width();
    int top = int(centre.y()) + magnifierOffset;
    if (top + size.height() > height())
        top = int(centre.y()) - magnifierOffset - size.height();
    return {QPoint(left, top), size};
}

QRegion PickerOverlay::pointerRegion() const
{
    if (!pointer)
        return {};
    const QPoint centre = pixelCentre().toPoint();
    QRegion region(0, centre.y() - 1, width(), 3);
    region += QRect(centre.x() - 1, 0, 3, height());
    region += magnifierArea().adjusted(-1, -1, 1, 1);
    return region;
}

void PickerOverlay::paintCrosshair(QPainter &painter) const
{
    const QPointF centre = pixelCentre();
    const QLineF lines[] = {
        {0, centre.y(), centre.x() - crosshairGap, centre.y()},
        {centre.x() + crosshairGap, centre.y(), qreal(width()), centre.y()},
        {centre.x(), 0, centre.x(), centre.y() - crosshairGap},
        {centre.x(), centre.y() + crosshairGap, centre.x(), qreal(height())},
    };
    // White dashes on black show on any background.
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLines(lines, 4);
    painter.setPen(QPen(Qt::white, 0, Qt::DashLine));
    painter.drawLines(lines, 4);
}

void PickerOverlay::paintMagnifier(QPainter &painter) const
{
    const QRect area = magnifierArea();
    const QRect view(area.topLeft(), QSize(magnifierSide, magnifierSide));
    painter.fillRect(view, Qt::black);

    // The picture is in the screen's native pixels, one per physical pixel.
    const QPoint half(magnifiedPixels / 2, magnifiedPixels / 2);
    const QRect source(*pointer - nativeGeometry.topLeft() - half,
                       QSize(magnifiedPixels, magnifiedPixels));
    const QRect shown = source & picture.rect(); // near an edge, the rest stays black
    if (!shown.isEmpty()) {
        const QRect target(view.topLeft() + (shown.topLeft() - source.topLeft()) * cellSize,
                           shown.size() * cellSize);
        painter.drawPixmap(target, picture, shown);
    }

    painter.setPen(QColor(128, 128, 128, 110));
    for (int i = 1; i < magnifiedPixels; ++i) {
        const int x = view.left() + i * cellSize;
        const int y = view.top() + i * cellSize;
        painter.drawLine(x, view.top(), x, view.bottom());
        painter.drawLine(view.left(), y, view.right(), y);
    }
    painter.setPen(QPen(Qt::red, 0));
    painter.drawRect(QRect(view.topLeft() + half * cellSize, QSize(cellSize, cellSize)));
    painter.setPen(Qt::white);
    painter.drawRect(view.adjusted(0, 0, -1, -1));

    const QRect caption(area.left(), view.bottom() + 1 + captionGap, area.width(),
                        area.bottom() - view.bottom() - captionGap);
    painter.fillRect(caption, QColor(0, 0, 0, 190));
    painter.drawText(caption, Qt::AlignCenter,
                     QStringLiteral("%1，%2").arg(pointer->x()).arg(pointer->y()));
}
