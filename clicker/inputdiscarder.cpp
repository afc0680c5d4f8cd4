#include "inputdiscarder.h"

#include <QEvent>
#include <QGuiApplication>

namespace {

class InputDiscarder final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override { return event->isInputEvent(); }
};

} // namespace

void discardQueuedInput()
{
    InputDiscarder discarder;
    qApp->installEventFilter(&discarder);
    // A round trip to the window system first, so that input it received before this
    // moment has reached the application's queue and is caught too.
    QGuiApplication::sync();
    qApp->removeEventFilter(&discarder);
}
