// Watches through the X RECORD extension, which hands a copy of the server's input events to
// a client that asks, after they went to their windows: nothing is grabbed or selected on
// anyone's window, and the pointer position comes with each press as the server saw it.
// Recorded events arrive on a second connection of their own, read as the socket fills.
#include "desktopclickwatch.h"

#include "waylandsession.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

namespace {

constexpr int sendEventFlag = 0x80; // set on events another client sent, not the devices'

int failedRequests = 0;

int countFailure(Display *, XErrorEvent *)
{
    ++failedRequests;
    return 0;
}

} // namespace

struct DesktopClickWatch::Platform
{
    explicit Platform(DesktopClickWatch *watch) : watch(watch) {}

    ~Platform()
    {
        arrivals.reset();
        if (context != 0) {
            XRecordDisableContext(control, context);
            XRecordFreeContext(control, context);
            XSync(control, False);
        }
        for (Display *display : {data, control}) {
            if (display)
                XCloseDisplay(display);
        }
    }

    QString createContext();
    static void onRecorded(XPointer self, XRecordInterceptData *recorded);

    DesktopClickWatch *watch;
    Display *control = nullptr; // creates and ends the recording
    Display *data = nullptr;    // busy with the recording: the events arrive here
    XRecordContext context = 0;
    KeyCode escape = 0;
    std::unique_ptr<QSocketNotifier> arrivals;
};

QString DesktopClickWatch::Platform::createContext()
{
    int major = 0;
    int minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor))
        return QStringLiteral("X 显示服务器没有提供 RECORD 扩展，无法观察点击。");
    XRecordRange *range = XRecordAllocRange();
    if (!range)
        return QStringLiteral("内存不足，无法录制点击。");
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonPress;
    XRecordClientSpec everyone = XRecordAllClients;
    // Xlib's default answer to a refused request ends the process; a refusal here only means
    // that recording is not possible.
    failedRequests = 0;
    const XErrorHandler previousHandler = XSetErrorHandler(countFailure);
    context = XRecordCreateContext(control, 0, &everyone, 1, &range, 1);
    XSync(control, False); // the data connection may use the context only once it exists
    XSetErrorHandler(previousHandler);
    XFree(range);
    if (context == 0 || failedRequests > 0) {
        context = 0;
        return QStringLiteral("X 显示服务器拒绝了录制请求，无法观察点击。");
    }
    return {};
}

void DesktopClickWatch::Platform::onRecorded(XPointer self, XRecordInterceptData *recorded)
{
    const auto *platform = reinterpret_cast<const Platform *>(self);
    if (recorded->category == XRecordFromServer && recorded->data_len > 0) {
        const auto *event = reinterpret_cast<const xEvent *>(recorded->data);
        const int type = event->u.u.type & ~sendEventFlag;
        // The server reports buttons after the user's mapping: button 1 is the primary one.
        if (type == ButtonPress && event->u.u.detail == Button1) {
            emit platform->watch->pressed(
                QPoint(event->u.keyButtonPointer.rootX, event->u.keyButtonPointer.rootY),
                event->u.keyButtonPointer.time);
        } else if (type == KeyPress && event->u.u.detail == platform->escape) {
            emit platform->watch->escapePressed();
        }
    }
    XRecordFreeData(recorded);
}

QString DesktopClickWatch::unavailableReason()
{
    if (input::isWaylandSession()) {
        return QStringLiteral("这是 Wayland 会话：Wayland 不允许任何程序观察其他程序窗口里的点击，"
                              "所以无法录制。要录制点击，请注销，在登录界面选择 X11 会话"
                              "（例如“GNOME on Xorg”）后再登录。");
    }
    return {};
}

DesktopClickWatch::DesktopClickWatch() : platform(std::make_unique<Platform>(this)) {}

DesktopClickWatch::~DesktopClickWatch() = default;

QString DesktopClickWatch::start()
{
    Platform &x = *platform;
    x.control = XOpenDisplay(nullptr);
    x.data = XOpenDisplay(nullptr);
    if (!x.control || !x.data)
        return QStringLiteral("无法连接 X 显示服务器（环境变量 DISPLAY 未设置或不可用）。");
    x.escape = XKeysymToKeycode(x.control, XK_Escape);
    if (const QString failure = x.createContext(); !failure.isEmpty())
        return failure;
    if (!XRecordEnableContextAsync(x.data, x.context, &Platform::onRecorded,
                                   reinterpret_cast<XPointer>(&x)))
        return QStringLiteral("X 显示服务器拒绝了录制请求，无法观察点击。");
    XFlush(x.data); // the clicks from now on are the ones recorded
    x.arrivals = std::make_unique<QSocketNotifier>(ConnectionNumber(x.data), QSocketNotifier::Read);
    connect(x.arrivals.get(), &QSocketNotifier::activated, this,
            [this] { XRecordProcessReplies(platform->data); });
    return {};
}
