#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <optional>

class QScreen;

/// One screen's part of a pick: a full-screen window over a picture of that screen taken
/// before it showed, with a crosshair on the pointer and, beside it, a magnifier of the
/// pixels around it (eight times their size, the pixel grid drawn, the pointer's pixel
/// outlined) and the pointer's coordinates.
///
/// It never reads the pointer itself. It is told where the pointer is, in the physical pixels
/// of the whole desktop, and says what the user asks for through its signals.
class PickerOverlay final : public QWidget
{
    Q_OBJECT

public:
    /// `picture` is the screen in its native pixels; a null one (no grab possible) leaves
    /// the screen dark but still pickable.
    PickerOverlay(QScreen *screen, const QPixmap &picture);

    /// Whether `point`, in physical pixels of the whole desktop, lies on this screen.
    bool covers(QPoint point) const;

    /// Draws the crosshair and the magnifier at `pointer` (physical pixels of the whole
    /// desktop), or takes them away when the pointer is on another screen.
    void showPointer(QPoint pointer);

signals:
    void pointerMoved();
    /// An arrow key: move the pointer by `step`, one physical pixel.
    void stepRequested(QPoint step);
    void pickRequested();
    void cancelRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QPointF pixelCentre() const;
    QRect magnifierArea() const;
    QRegion pointerRegion() const;
    void paintCrosshair(QPainter &painter) const;
    void paintMagnifier(QPainter &painter) const;

    QPixmap picture;
    QRect nativeGeometry; // the screen in physical pixels of the whole desktop
    qreal pixelRatio;
    std::optional<QPoint> pointer; // on this screen, else empty
};
