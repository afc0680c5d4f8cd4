#pragma once

#include <cstdint>
#include <vector>

/// What the click runner and the position picker need from the platform: the cursor, the left
/// button, the Esc key, a clock and a sleep. One implementation per platform, each in a file of
/// its own, and current() picks the one for this desktop, so callers never branch on the
/// platform. Free of Qt so the Windows implementation needs nothing but the Windows API.
namespace input {

/// Left-button events, with the values of the Windows mouse_event flags.
enum class MouseButtonEvent : std::uint32_t { LeftDown = 2, LeftUp = 4 };

/// Error codes of lastErrorCode() and beginRun() that the Linux layers report; Windows codes
/// are GetLastError's.
enum InputError : std::uint32_t {
    noDisplayError = 1,          ///< no X display could be opened
    noInjectionError = 2,        ///< the X server does not offer the XTest extension
    consentRefusedError = 3,     ///< the user refused the desktop's remote-desktop dialog
    pointerNotGrantedError = 4,  ///< the user shared the screen without allowing interaction
    remoteDesktopError = 5,      ///< the desktop's remote-desktop portal refused a call
    remoteDesktopLateError = 6,  ///< the desktop's remote-desktop portal did not answer in time
    remoteDesktopEndedError = 7, ///< the desktop ended its remote-desktop session
    gaveUpWaitingError = 8,      ///< the user gave up waiting for the desktop's answer
};

/// What beginRun() found.
struct Readiness
{
    std::uint32_t error = 0;    ///< 0 when input can be injected, else an error code
    std::int64_t grantedUs = 0; ///< when the user allowed input in a dialog of the desktop's,
                                ///< on steadyMicroseconds(); 0 when nobody was asked
};

/// A still picture of one monitor: its top-left corner in desktop coordinates, its size, and
/// its pixels row by row as 0xffRRGGBB.
struct MonitorPicture
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

class InputLayer
{
public:
    virtual ~InputLayer() = default;

    /// Readies the platform for one run: opens what injection needs, which on a Wayland
    /// desktop means asking the user once per program start, and sharpens the waits. When it
    /// reports an error, no endRun is due.
    virtual Readiness beginRun() = 0;

    /// Gives back what beginRun took for the run (timer resolution and the like).
    virtual void endRun() = 0;

    /// Puts the system cursor at desktop position (x, y), in the platform's screen coordinates
    /// (physical pixels; a Wayland desktop's layout); false when the platform refused.
    virtual bool setCursorPosition(int x, int y) = 0;

    /// Where the system cursor is, in the same physical pixels setCursorPosition takes; false
    /// when it cannot be read.
    virtual bool cursorPosition(int &x, int &y) = 0;

    /// Injects one event of the primary button at the cursor's current position. x and y
    /// travel with the event as mouse_event's position arguments and carry no movement.
    virtual void sendMouseButton(MouseButtonEvent event, int x, int y) = 0;

    /// Blocks the calling thread for the given number of microseconds; returns at once when
    /// that is not positive.
    virtual void sleepMicroseconds(std::int64_t microseconds) = 0;

    /// A monotonic clock in microseconds from an arbitrary start, the clock of the run's
    /// schedule.
    virtual std::int64_t steadyMicroseconds() = 0;

    /// Whether the Esc key is held down at this moment, wherever the keyboard focus is; false
    /// when the keyboard cannot be read (no display).
    virtual bool isEscapeKeyDown() = 0;

    /// Whether the user has moved the pointer away from where the run put it since beginRun,
    /// as a stop; false where the platform cannot tell the two apart.
    virtual bool pointerMovedByUser() { return false; }

    /// Why input no longer reaches the desktop since beginRun, as an error code (the user
    /// ended the remote-desktop session, its portal went away, refused a call or did not
    /// answer in time): nothing sent from then on arrives. 0 while it does.
    virtual std::uint32_t inputLost() { return 0; }

    /// Why the last failed setCursorPosition failed, as a platform error code.
    virtual std::uint32_t lastErrorCode() = 0;

    /// True in a desktop session where injected input and the Esc key reach only some windows
    /// (an X11 client inside a Wayland session reaches only XWayland windows).
    virtual bool isConfinedSession() = 0;

    /// Pictures of the monitors as the desktop shows them, where the window system cannot
    /// take them itself (a Wayland compositor shows XWayland nothing of other windows); none
    /// where it can. May ask the user first, as beginRun does, and fails as it does: then
    /// `error` holds beginRun's error code.
    virtual std::vector<MonitorPicture> monitorPictures(std::uint32_t &error)
    {
        error = 0;
        return {};
    }
};

/// The input layer for this desktop, asked for when a run or a pick begins.
InputLayer &current();

/// Whether there is a display to send input to and to show windows on: always on Windows; on
/// Linux an X display that opens, or a Wayland compositor. The toolkit cannot start without one.
bool hasDisplay();

/// Called before the application object exists: steers the toolkit to the window system
/// whose windows this platform's layers can read the keyboard and the pointer of.
void prepareWindowSystem();

} // namespace input
