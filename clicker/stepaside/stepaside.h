#pragma once

#include <QPointer>
#include <QWidget>

/// Takes a window out of the user's way while they point at the desktop beneath it, and
/// brings it back, for picking positions and for recording clicks alike.
class StepAside final
{
public:
    /// Hides `window` until bringBack.
    void start(QWidget *window);

    /// Whether a window is out of the way now (one that was deleted meanwhile is not).
    bool isAside() const { return !window.isNull(); }

    /// Shows, raises and activates the window again; nothing when none is aside.
    void bringBack();

private:
    QPointer<QWidget> window;
};
