#include "xtoplevelwindows.h"

#include <QDeadlineTimer>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

XTopLevelWindows::XTopLevelWindows() : display(XOpenDisplay(nullptr)) {}

XTopLevelWindows::~XTopLevelWindows()
{
    if (display)
        XCloseDisplay(display);
}

bool XTopLevelWindows::isConnected() const
{
    return display != nullptr;
}

unsigned long XTopLevelWindows::waitForWindow(const QString &wanted, int timeoutMs) const
{
    if (!display)
        return 0;
    const QDeadlineTimer deadline(timeoutMs);
    do {
        if (const unsigned long found = findMapped(DefaultRootWindow(display), wanted))
            return found;
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    return 0;
}

bool XTopLevelWindows::hasWindow(const QString &wanted) const
{
    return display && findMapped(DefaultRootWindow(display), wanted) != 0;
}

unsigned long XTopLevelWindows::findMapped(unsigned long parent, const QString &wanted) const
{
    Window root = 0, parentOfParent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return 0;
    unsigned long found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && title(children[i]) == wanted)
            found = children[i];
        else
            found = findMapped(children[i], wanted);
    }
    if (children)
        XFree(children);
    return found;
}

QString XTopLevelWindows::title(unsigned long window) const
{
    const QByteArray name =
        property(window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False), 1024);
    return QString::fromUtf8(name);
}

QSize XTopLevelWindows::iconSize(unsigned long window) const
{
    if (!display)
        return {};
    // A list of (width, height, pixels...): 32-bit items, which Xlib hands out as longs.
    const QByteArray icon = property(window, "_NET_WM_ICON", XA_CARDINAL, 2);
    if (icon.size() != 2 * int(sizeof(unsigned long)))
        return {};
    const auto *values = reinterpret_cast<const unsigned long *>(icon.constData());
    return QSize(int(values[0]), int(values[1]));
}

QByteArray XTopLevelWindows::property(unsigned long window, const char *name, unsigned long type,
                                      long maxItems) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long items = 0, remaining = 0;
    unsigned char *data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, maxItems, False,
                           type, &actualType, &format, &items, &remaining, &data) == Success &&
        data) {
        const int itemSize = format == 32 ? int(sizeof(long)) : format / 8;
        value = QByteArray(reinterpret_cast<const char *>(data), int(items) * itemSize);
        XFree(data);
    }
    return value;
}

void XTopLevelWindows::requestClose(unsigned long window) const
{
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void XTopLevelWindows::pressKey(unsigned long window, unsigned long keysym) const
{
    if (!display)
        return;
    // Without a window manager nothing hands out focus, so give it to the window first.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    const unsigned int keycode = XKeysymToKeycode(display, keysym);
    XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    XSync(display, False);
}
