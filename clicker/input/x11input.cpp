#include "x11input.h"

#include "waylandsession.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

namespace {

constexpr unsigned int primaryButton = 1;

class XTestConnection final
{
public:
    XTestConnection() : display(XOpenDisplay(nullptr))
    {
        if (!display) {
            errorCode = input::noDisplayError;
            return;
        }
        escapeKeycode = XKeysymToKeycode(display, XK_Escape);
        int eventBase = 0;
        int errorBase = 0;
        int majorVersion = 0;
        int minorVersion = 0;
        if (!XTestQueryExtension(display, &eventBase, &errorBase, &majorVersion, &minorVersion))
            errorCode = input::noInjectionError;
    }

    ~XTestConnection()
    {
        if (display)
            XCloseDisplay(display);
    }

    XTestConnection(const XTestConnection &) = delete;
    XTestConnection &operator=(const XTestConnection &) = delete;

    /// The display whatever XTest says, or null without one.
    Display *anyDisplay() const { return display; }
    /// The display, or null when fake input cannot be sent (see error()).
    Display *injectingDisplay() const { return errorCode == 0 ? display : nullptr; }
    std::uint32_t error() const { return errorCode; }
    KeyCode escape() const { return escapeKeycode; }

private:
    Display *display;
    std::uint32_t errorCode = 0;
    KeyCode escapeKeycode = 0; // 0: no Esc key on this keyboard
};

XTestConnection &connection()
{
    static XTestConnection instance;
    return instance;
}

// The protocol carries pointer coordinates as 16-bit values, so larger ones would wrap
// around (100000 would land near the left edge). Saturating keeps them on the side they
// point to; the server then clamps them to the screen.
int toProtocolCoordinate(int value)
{
    return std::clamp(value, int{std::numeric_limits<std::int16_t>::min()},
                      int{std::numeric_limits<std::int16_t>::max()});
}

} // namespace

input::Readiness X11Input::beginRun()
{
    return {connection().error()};
}

bool X11Input::setCursorPosition(int x, int y)
{
    Display *display = connection().injectingDisplay();
    if (!display)
        return false;
    // Screen -1 moves on the screen the pointer is on. Flushed, not synced: the server takes
    // this connection's requests in order, so a button event sent next lands where this move
    // put the pointer, and the click need not wait for a round trip.
    XTestFakeMotionEvent(display, -1, toProtocolCoordinate(x), toProtocolCoordinate(y),
                         CurrentTime);
    XFlush(display);
    return true;
}

bool X11Input::cursorPosition(int &x, int &y)
{
    Display *display = connection().anyDisplay();
    if (!display)
        return false;
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    return XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX,
                         &windowY, &mask);
}

void X11Input::sendMouseButton(input::MouseButtonEvent event, int, int)
{
    Display *display = connection().injectingDisplay();
    if (!display)
        return;
    if (event != input::MouseButtonEvent::LeftDown && event != input::MouseButtonEvent::LeftUp)
        return;
    // Button 1 is the primary button: the server applies a left-handed mapping itself.
    XTestFakeButtonEvent(display, primaryButton, event == input::MouseButtonEvent::LeftDown,
                         CurrentTime);
    XFlush(display);
}

void X11Input::sleepMicroseconds(std::int64_t microseconds)
{
    if (microseconds <= 0)
        return;
    // A deadline on the steady clock: an early or interrupted wake-up sleeps again for
    // the rest instead of shortening the wait, and wall-clock changes do not affect it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    while (std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_until(deadline);
}

std::int64_t X11Input::steadyMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool X11Input::isEscapeKeyDown()
{
    Display *display = connection().anyDisplay();
    const KeyCode escape = connection().escape();
    if (!display || escape == 0)
        return false;
    // One bit per keycode, as the server sees the keyboard now, whichever window has focus.
    char keys[32] = {};
    XQueryKeymap(display, keys);
    return (static_cast<unsigned char>(keys[escape / 8]) >> (escape % 8)) & 1u;
}

std::uint32_t X11Input::lastErrorCode()
{
    return connection().error();
}

bool X11Input::isConfinedSession()
{
    return input::isWaylandSession();
}
