// Windows input: the only input layer of the Windows build.
#include "input.h"

#include <windows.h>

#include <mmsystem.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

// The classic user32 calls, with waits sharpened for the run.
class WindowsInput final : public input::InputLayer
{
public:
    input::Readiness beginRun() override;
    void endRun() override;
    bool setCursorPosition(int x, int y) override;
    bool cursorPosition(int &x, int &y) override;
    void sendMouseButton(input::MouseButtonEvent event, int x, int y) override;
    void sleepMicroseconds(std::int64_t microseconds) override;
    std::int64_t steadyMicroseconds() override;
    bool isEscapeKeyDown() override;
    std::uint32_t lastErrorCode() override;
    bool isConfinedSession() override;

private:
    DWORD buttonFlag(input::MouseButtonEvent event) const;

    // Sleep wakes on the system tick, 15.6 ms by default, which would stretch a 50 ms hold to
    // up to 62 ms. Windows 10 1803 and later offer a timer that wakes within a fraction of a
    // millisecond; older ones get a 1 ms tick for the length of the run instead.
    HANDLE highResolutionTimer = nullptr;
    bool raisedTickRate = false;
    // With the buttons swapped in the mouse settings, mouse_event's left flags press the
    // physical left button, which is then the secondary one: every click would be a
    // right-click.
    bool buttonsSwapped = false;
};

} // namespace

DWORD WindowsInput::buttonFlag(input::MouseButtonEvent event) const
{
    if (!buttonsSwapped)
        return static_cast<DWORD>(event);
    return event == input::MouseButtonEvent::LeftDown ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
}

input::Readiness WindowsInput::beginRun()
{
    buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    highResolutionTimer = CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!highResolutionTimer)
        raisedTickRate = timeBeginPeriod(1) == TIMERR_NOERROR;
    return {};
}

void WindowsInput::endRun()
{
    if (highResolutionTimer)
        CloseHandle(highResolutionTimer);
    if (raisedTickRate)
        timeEndPeriod(1);
    highResolutionTimer = nullptr;
    raisedTickRate = false;
}

bool WindowsInput::setCursorPosition(int x, int y)
{
    return SetCursorPos(x, y) != FALSE;
}

bool WindowsInput::cursorPosition(int &x, int &y)
{
    // Physical pixels: Qt makes the process aware of each monitor's scale.
    POINT point;
    if (!GetCursorPos(&point))
        return false;
    x = point.x;
    y = point.y;
    return true;
}

void WindowsInput::sendMouseButton(input::MouseButtonEvent event, int x, int y)
{
    if (event != input::MouseButtonEvent::LeftDown && event != input::MouseButtonEvent::LeftUp)
        return;
    // Neither MOUSEEVENTF_MOVE nor MOUSEEVENTF_ABSOLUTE: dx and dy then carry no movement
    // and the event lands where SetCursorPos has just put the cursor.
    mouse_event(buttonFlag(event), static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
}

void WindowsInput::sleepMicroseconds(std::int64_t microseconds)
{
    if (microseconds <= 0)
        return;
    if (highResolutionTimer) {
        LARGE_INTEGER due;
        due.QuadPart = -microseconds * 10; // negative: relative, in 100 ns units
        if (SetWaitableTimerEx(highResolutionTimer, &due, 0, nullptr, nullptr, nullptr, 0)) {
            WaitForSingleObject(highResolutionTimer, INFINITE);
            return;
        }
    }
    // Whole milliseconds only: the caller measures its wait against the clock and comes
    // back for the rest.
    Sleep(static_cast<DWORD>(microseconds / 1000));
}

std::int64_t WindowsInput::steadyMicroseconds()
{
    // The performance counter, not GetTickCount64: a tick of 15.6 ms could end a wait early.
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    // Whole seconds and the rest apart, so that counter * 1000000 cannot overflow.
    const std::int64_t seconds = counter.QuadPart / frequency.QuadPart;
    const std::int64_t rest = counter.QuadPart % frequency.QuadPart;
    return seconds * 1000000 + rest * 1000000 / frequency.QuadPart;
}

bool WindowsInput::isEscapeKeyDown()
{
    // The high bit is the key's state now; the low bit (pressed since the last call) is
    // shared with every other caller in the session and would be unreliable.
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

std::uint32_t WindowsInput::lastErrorCode()
{
    return GetLastError();
}

bool WindowsInput::isConfinedSession()
{
    return false;
}

input::InputLayer &input::current()
{
    static WindowsInput layer;
    return layer;
}

bool input::hasDisplay()
{
    return true;
}

void input::prepareWindowSystem() {}
