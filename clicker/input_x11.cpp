// X11 input through the XTest extension on the display named by DISPLAY; the Esc key is
// read from the same connection's keymap.
//
// Error codes reported by lastErrorCode():
//   0  the display is open and offers XTest
//   1  no X display could be opened (DISPLAY unset, empty or unreachable)
//   2  the X server does not offer the XTest extension
// The connection is opened at the first call and kept for the life of the process; a
// failure is remembered too, so every later move fails at once with the same code and
// button events are dropped. Reading the keyboard needs no XTest, only the display.
#include "input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

namespace input {

namespace {

constexpr std::uint32_t noError = 0;
constexpr std::uint32_t noDisplayError = 1;
constexpr std::uint32_t noXTestError = 2;

constexpr unsigned int leftButton = 1;

class XTestConnection final
{
public:
    XTestConnection() : display(XOpenDisplay(nullptr))
    {
        if (!display) {
            errorCode = noDisplayError;
            return;
        }
        escapeKeycode = XKeysymToKeycode(display, XK_Escape);
        int eventBase = 0;
        int errorBase = 0;
        int majorVersion = 0;
        int minorVersion = 0;
        if (!XTestQueryExtension(display, &eventBase, &errorBase, &majorVersion, &minorVersion))
            errorCode = noXTestError;
    }

    ~XTestConnection()
    {
        if (display)
            XCloseDisplay(display);
    }

    XTestConnection(const XTestConnection &) = delete;
    XTestConnection &operator=(const XTestConnection &) = delete;

    /// The display, or null when fake input cannot be sent (see error()).
    Display *usableDisplay() const { return errorCode == noError ? display : nullptr; }
    std::uint32_t error() const { return errorCode; }

    /// False without a display, or when its keyboard has no Esc key.
    bool isEscapeKeyDown() const;

private:
    Display *display;
    std::uint32_t errorCode = noError;
    KeyCode escapeKeycode = 0; // 0: no Esc key on this keyboard
};

bool XTestConnection::isEscapeKeyDown() const
{
    if (!display || escapeKeycode == 0)
        return false;
    // One bit per keycode, as the server sees the keyboard now, whichever window has focus.
    char keys[32] = {};
    XQueryKeymap(display, keys);
    return (static_cast<unsigned char>(keys[escapeKeycode / 8]) >> (escapeKeycode % 8)) & 1u;
}

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

bool setCursorPosition(int x, int y)
{
    Display *display = connection().usableDisplay();
    if (!display)
        return false;
    // Screen -1 moves on the screen the pointer is on. XSync rather than XFlush: the move
    // must have happened, for every client, before the next button event is generated.
    XTestFakeMotionEvent(display, -1, toProtocolCoordinate(x), toProtocolCoordinate(y),
                         CurrentTime);
    XSync(display, False);
    return true;
}

void sendMouseButton(MouseButtonEvent event, int, int)
{
    Display *display = connection().usableDisplay();
    if (!display)
        return;
    if (event != MouseButtonEvent::LeftDown && event != MouseButtonEvent::LeftUp)
        return;
    XTestFakeButtonEvent(display, leftButton, event == MouseButtonEvent::LeftDown, CurrentTime);
    XSync(display, False);
}

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    // A deadline on the steady clock: an early or interrupted wake-up sleeps again for
    // the rest instead of shortening the wait, and wall-clock changes do not affect it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_until(deadline);
}

std::int64_t steadyMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool isEscapeKeyDown()
{
    return connection().isEscapeKeyDown();
}

std::uint32_t lastErrorCode()
{
    return connection().error();
}

} // namespace input
