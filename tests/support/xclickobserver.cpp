#include "xclickobserver.h"

#include <X11/Xlib.h>

#include <poll.h>

#include <algorithm>

XClickObserver::XClickObserver(int x, int y, unsigned int width, unsigned int height)
    : display(XOpenDisplay(nullptr))
{
    if (!display)
        return;
    XSetWindowAttributes attributes{};
    // Override-redirect: no window manager may move, resize or decorate the window, so it
    // covers exactly the rectangle asked for.
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    window =
        XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display, window);
    XFlush(display);
}

XClickObserver::~XClickObserver()
{
    if (!display)
        return;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

bool XClickObserver::isConnected() const
{
    return display != nullptr;
}

bool XClickObserver::waitUntilMapped(std::chrono::milliseconds timeout)
{
    if (!display)
        return false;
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    while (!mapped && handleNextEvent(deadline)) {
    }
    return mapped;
}

std::vector<ObservedButtonEvent> XClickObserver::collect(std::size_t count,
                                                         std::chrono::milliseconds timeout)
{
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    while (display && received.size() < count && handleNextEvent(deadline)) {
    }
    const std::size_t taken = std::min(count, received.size());
    std::vector<ObservedButtonEvent> events(received.begin(), received.begin() + taken);
    received.erase(received.begin(), received.begin() + taken);
    return events;
}

ScreenPoint XClickObserver::pointerPosition() const
{
    ScreenPoint position{-1, -1};
    if (!display)
        return position;
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int modifiers = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &position.x, &position.y,
                  &windowX, &windowY, &modifiers);
    return position;
}

ScreenPoint XClickObserver::screenSize() const
{
    if (!display)
        return {0, 0};
    return {DisplayWidth(display, DefaultScreen(display)),
            DisplayHeight(display, DefaultScreen(display))};
}

bool XClickObserver::handleNextEvent(Deadline deadline)
{
    while (!XPending(display)) {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (remaining.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(remaining.count()));
    }
    XEvent event;
    XNextEvent(display, &event);
    handle(event);
    return true;
}

void XClickObserver::handle(const XEvent &event)
{
    switch (event.type) {
    case MapNotify:
        mapped = true;
        break;
    case ButtonPress:
    case ButtonRelease:
        received.push_back({event.type == ButtonPress,
                            event.xbutton.button,
                            {event.xbutton.x_root, event.xbutton.y_root},
                            event.xbutton.time});
        break;
    default:
        break;
    }
}
