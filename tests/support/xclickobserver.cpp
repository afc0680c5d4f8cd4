#include "xclickobserver.h"

#include <X11/Xlib.h>

#include <poll.h>

XClickObserver::XClickObserver(int x, int y, int width, int height) : display(XOpenDisplay(nullptr))
{
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask;
    window = XCreateWindow(display, DefaultRootWindow(display), x, y, unsigned(width),
                           unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
}

XClickObserver::~XClickObserver()
{
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

std::vector<XClickObserver::ButtonEvent> XClickObserver::take(int waitMs)
{
    std::vector<ButtonEvent> events;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    do {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ButtonPress || event.type == ButtonRelease)
                events.push_back({event.type == ButtonPress, event.xbutton.button,
                                  event.xbutton.x_root, event.xbutton.y_root, event.xbutton.time});
        }
    } while (poll(&connection, 1, waitMs) > 0);
    return events;
}

void XClickObserver::pointer(int &x, int &y) const
{
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY,
                  &mask);
}
