// Which input layer a Linux desktop gets: XTest, or the remote-desktop portal where XTest
// reaches only some of the windows.
#include "input.h"
#include "portalinput.h"
#include "x11input.h"

#include <QtGlobal>

input::InputLayer &input::current()
{
    static X11Input x11;
    // Under a Wayland compositor XTest reaches XWayland's windows only; the desktop's portal
    // reaches them all, once the user allows it.
    static PortalInput portal(x11);
    if (x11.isConfinedSession() && portal.isOffered())
        return portal;
    return x11;
}

bool input::hasDisplay()
{
    return X11Input().beginRun().error != input::noDisplayError ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void input::prepareWindowSystem()
{
    // Under a Wayland compositor the program stays an X11 client of XWayland where it can: only
    // there can it read the Esc key while a run holds its thread, and the pointer for picking.
    if (X11Input().isConfinedSession() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}
