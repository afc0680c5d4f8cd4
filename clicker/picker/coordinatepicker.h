#pragma once

#include "stepaside.h"

#include <QList>
#include <QObject>
#include <QPoint>

#include <cstdint>
#include <optional>

class PickerOverlay;
class QWidget;

namespace input {
class InputLayer;
}

/// Lets the user pick a point on the screen for a click script. The window that asks steps
/// aside, every screen shows a PickerOverlay over a picture of the desktop taken just before,
/// and the point comes back in the input layer's units: physical pixels of the whole
/// desktop, exactly the numbers that make a script click that pixel.
///
/// The mouse picks with a left click and cancels with a right click; the keyboard moves the
/// pointer by one pixel with the arrow keys, picks with Enter and cancels with Esc.
class CoordinatePicker final : public QObject
{
    Q_OBJECT

public:
    explicit CoordinatePicker(QObject *parent = nullptr);
    ~CoordinatePicker() override;

    /// Starts a pick through `input`, unless one is under way. `window` is hidden for the pick
    /// and shown and activated again before picked or cancelled is emitted.
    void start(QWidget *window, input::InputLayer &input);

signals:
    void picked(QPoint point);
    void cancelled();
    /// The desktop gave no picture to pick on (it refused, or the user gave up asking), as an
    /// input layer error code; the window is back.
    void unavailable(std::uint32_t errorCode);

private:
    void showOverlays();
    void followPointer();
    void step(QPoint step);
    void finish(bool accepted);
    std::optional<QPoint> pointerPosition() const;

    StepAside aside; // the window that asked, while it is out of the way
    QList<PickerOverlay *> overlays;
    input::InputLayer *input = nullptr; // the pick's, while one is under way
};
