#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <vector>

struct _XDisplay;
union _XEvent;

/// A pointer position in root-window (screen) coordinates.
struct ScreenPoint
{
    int x = 0;
    int y = 0;
};

/// One button event as the X server delivered it to the observer window.
struct ObservedButtonEvent
{
    bool pressed = false;           ///< ButtonPress, else ButtonRelease
    unsigned int button = 0;        ///< X button number; 1 is the left button
    ScreenPoint rootPosition;       ///< x_root, y_root
    unsigned long serverTimeMs = 0; ///< the X server's time stamp, in milliseconds
};

/// An independent X client that sees synthetic clicks the way any application would: it
/// covers a rectangle of the screen with its own override-redirect window and records the
/// button presses and releases that land there. It has its own connection to the display
/// named by DISPLAY, so it also reads the pointer back independently of the input layer.
/// It selects button events on its own window only, never on the root window, where just
/// one client may hold ButtonPress.
class XClickObserver final
{
public:
    XClickObserver(int x, int y, unsigned int width, unsigned int height);
    ~XClickObserver();
    XClickObserver(const XClickObserver &) = delete;
    XClickObserver &operator=(const XClickObserver &) = delete;

    /// False when no X display could be opened; every other call is then harmless.
    bool isConnected() const;

    /// Waits until the window is mapped and can receive clicks; false on time-out.
    bool waitUntilMapped(std::chrono::milliseconds timeout);

    /// Returns the next button events, oldest first: as soon as `count` have arrived, or
    /// those that arrived before the time-out. Events beyond `count` stay for a later call.
    std::vector<ObservedButtonEvent> collect(std::size_t count, std::chrono::milliseconds timeout);

    /// Where the X server has the pointer now.
    ScreenPoint pointerPosition() const;

    /// Width and height of the default screen in pixels.
    ScreenPoint screenSize() const;

private:
    using Deadline = std::chrono::steady_clock::time_point;

    /// Handles one event from the server; false when none arrived before the deadline.
    bool handleNextEvent(Deadline deadline);
    void handle(const _XEvent &event);

    _XDisplay *display = nullptr;
    unsigned long window = 0;
    bool mapped = false;
    std::deque<ObservedButtonEvent> received;
};
