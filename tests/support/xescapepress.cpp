#include "xescapepress.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

ScheduledEscapePress::ScheduledEscapePress(std::chrono::milliseconds delay,
                                           std::chrono::milliseconds hold)
    : display(XOpenDisplay(nullptr))
{
    // Everything but the key events themselves is set up here, before the thread starts, so
    // the connection is only ever used by one thread at a time.
    if (!display)
        return;
    int eventBase = 0;
    int errorBase = 0;
    int majorVersion = 0;
    int minorVersion = 0;
    escapeKeycode = XKeysymToKeycode(display, XK_Escape);
    usable = escapeKeycode != 0 &&
             XTestQueryExtension(display, &eventBase, &errorBase, &majorVersion, &minorVersion);
    if (!usable)
        return;
    // Never mapped: it only exists to have a property changed, whose PropertyNotify carries
    // the server time of the change.
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    stampWindow = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, CopyFromParent,
                                InputOnly, CopyFromParent, CWEventMask, &attributes);
    XSync(display, False);
    presser = std::thread(&ScheduledEscapePress::pressAndRelease, this, delay, hold);
}

ScheduledEscapePress::~ScheduledEscapePress()
{
    waitUntilReleased();
    if (display)
        XCloseDisplay(display);
}

void ScheduledEscapePress::letGo()
{
    {
        const std::lock_guard<std::mutex> lock(letGoMutex);
        letGoSoon = true;
    }
    letGoRequested.notify_one();
}

bool ScheduledEscapePress::waitUntilReleased()
{
    if (presser.joinable())
        presser.join();
    return usable;
}

void ScheduledEscapePress::pressAndRelease(std::chrono::milliseconds delay,
                                           std::chrono::milliseconds hold)
{
    std::this_thread::sleep_for(delay);
    // Taken before sending: this thread may be descheduled after the press has gone out,
    // and the thread under test may react before it runs again.
    pressedTime = std::chrono::steady_clock::now();
    XTestFakeKeyEvent(display, escapeKeycode, True, CurrentTime);
    // An empty append still notifies: the server stamps it right after handling the press.
    XChangeProperty(display, stampWindow, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XSync(display, False);
    XEvent event;
    XWindowEvent(display, stampWindow, PropertyChangeMask, &event);
    serverTimeMs = event.xproperty.time;

    {
        std::unique_lock<std::mutex> lock(letGoMutex);
        letGoRequested.wait_until(lock, pressedTime + hold, [this] { return letGoSoon; });
    }
    XTestFakeKeyEvent(display, escapeKeycode, False, CurrentTime);
    XSync(display, False);
}
