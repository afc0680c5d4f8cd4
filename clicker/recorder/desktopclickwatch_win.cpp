// Watches through a low-level mouse hook, which Windows calls for every mouse event of the
// desktop before it goes on to its window (the hook hands each one on unchanged), on this
// thread while it runs its event loop. The hook lives exactly as long as the watch: its
// destructor removes it on every way out of a recording, and Windows removes it with the
// process should that end first. Esc is read from the keyboard's state, as often as a press
// of it could end.
#include "desktopclickwatch.h"

#include <QTimer>

#include <windows.h>

namespace {

constexpr int escapeCheckMs = 10;

DesktopClickWatch *reportingTo = nullptr; // the watch the hook reports to: one at a time

LRESULT CALLBACK onMouseEvent(int code, WPARAM message, LPARAM details)
{
    // The hook sees the physical buttons; where the user swapped them, the right one is the
    // primary button that clicks.
    const WPARAM primaryDown = GetSystemMetrics(SM_SWAPBUTTON) ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    if (code == HC_ACTION && reportingTo && message == primaryDown) {
        const auto *event = reinterpret_cast<const MSLLHOOKSTRUCT *>(details);
        emit reportingTo->pressed(QPoint(event->pt.x, event->pt.y), event->time);
    }
    return CallNextHookEx(nullptr, code, message, details);
}

bool isEscapeDown()
{
    return GetAsyncKeyState(VK_ESCAPE) & 0x8000;
}

} // namespace

struct DesktopClickWatch::Platform
{
    ~Platform()
    {
        if (hook) {
            UnhookWindowsHookEx(hook);
            reportingTo = nullptr;
        }
    }

    HHOOK hook = nullptr;
    QTimer escapeCheck;
    bool escapeWasDown = false;
};

QString DesktopClickWatch::unavailableReason()
{
    return {};
}

DesktopClickWatch::DesktopClickWatch() : platform(std::make_unique<Platform>()) {}

DesktopClickWatch::~DesktopClickWatch() = default;

QString DesktopClickWatch::start()
{
    if (reportingTo)
        return QStringLiteral("另一个录制正在进行。");
    platform->hook = SetWindowsHookExW(WH_MOUSE_LL, onMouseEvent, GetModuleHandleW(nullptr), 0);
    if (!platform->hook)
        return QStringLiteral("系统拒绝了鼠标钩子（错误代码 %1），无法观察点击。")
            .arg(GetLastError());
    reportingTo = this;
    // An Esc already held (the one that closed a menu, say) ends nothing: only a new press.
    platform->escapeWasDown = isEscapeDown();
    connect(&platform->escapeCheck, &QTimer::timeout, this, [this] {
        const bool down = isEscapeDown();
        if (down && !platform->escapeWasDown)
            emit escapePressed();
        platform->escapeWasDown = down;
    });
    platform->escapeCheck.start(escapeCheckMs);
    return {};
}
