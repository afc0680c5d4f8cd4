// Windows input through the classic user32 calls, with waits sharpened for the run.
#include "input.h"

#include <windows.h>

#include <mmsystem.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace input {

namespace {

// Sleep wakes on the system tick, 15.6 ms by default, which would stretch a 50 ms hold to
// up to 62 ms. Windows 10 1803 and later offer a timer that wakes within a fraction of a
// millisecond; older ones get a 1 ms tick for the length of the run instead.
struct RunTiming
{
    HANDLE highResolutionTimer = nullptr;
    bool raisedTickRate = false;
};

RunTiming timing;

// With the buttons swapped in the mouse settings, mouse_event's left flags press the
// physical left button, which is then the secondary one: every click would be a right-click.
bool buttonsSwapped = false;

DWORD buttonFlag(MouseButtonEvent event)
{
    if (!buttonsSwapped)
        return static_cast<DWORD>(event);
    return event == MouseButtonEvent::LeftDown ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
}

} // namespace

std::uint32_t beginRun()
{
    buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    timing.highResolutionTimer = CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!timing.highResolutionTimer)
        timing.raisedTickRate = timeBeginPeriod(1) == TIMERR_NOERROR;
    return 0;
}

void endRun()
{
    if (timing.highResolutionTimer)
        CloseHandle(timing.highResolutionTimer);
    if (timing.raisedTickRate)
        timeEndPeriod(1);
    timing = RunTiming();
}

bool setCursorPosition(int x, int y)
{
    return SetCursorPos(x, y) != FALSE;
}

bool cursorPosition(int &x, int &y)
{
    // Physical pixels: Qt makes the process aware of each monitor's scale.
    POINT point;
    if (!GetCursorPos(&point))
        return false;
    x = point.x;
    y = point.y;
    return true;
}

void sendMouseButton(MouseButtonEvent event, int x, int y)
{
    if (event != MouseButtonEvent::LeftDown && event != MouseButtonEvent::LeftUp)
        return;
    // Neither MOUSEEVENTF_MOVE nor MOUSEEVENTF_ABSOLUTE: dx and dy then carry no movement
    // and the event lands where SetCursorPos has just put the cursor.
    mouse_event(buttonFlag(event), static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
}

void sleepMicroseconds(std::int64_t microseconds)
{
    if (microseconds <= 0)
        return;
    if (timing.highResolutionTimer) {
        LARGE_INTEGER due;
        due.QuadPart = -microseconds * 10; // negative: relative, in 100 ns units
        if (SetWaitableTimerEx(timing.highResolutionTimer, &due, 0, nullptr, nullptr, nullptr, 0)) {
            WaitForSingleObject(timing.highResolutionTimer, INFINITE);
            return;
        }
    }
    // Whole milliseconds only: the caller measures its wait against the clock and comes
    // back for the rest.
    Sleep(static_cast<DWORD>(microseconds / 1000));
}

std::int64_t steadyMicroseconds()
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

bool isEscapeKeyDown()
{
    // The high bit is the key's state now; the low bit (pressed since the last call) is
    // shared with every other caller in the session and would be unreliable.
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

std::uint32_t lastErrorCode()
{
    return GetLastError();
}

bool isConfinedSession()
{
    return false;
}

} // namespace input
