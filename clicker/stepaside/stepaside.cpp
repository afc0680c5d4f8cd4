#include "stepaside.h"

void StepAside::start(QWidget *windowToHide)
{
    window = windowToHide;
    // Transparent before hidden: a compositor may fade a hidden window out over several
    // frames, and a picture of the desktop must not catch it half gone.
    window->setWindowOpacity(0.0);
    window->hide();
}

void StepAside::bringBack()
{
    if (!window)
        return;
    window->setWindowOpacity(1.0);
    window->show();
    window->raise();
    window->activateWindow();
    window.clear();
}
