// Windows input through the classic user32 calls. Kept free of std::thread and friends:
// the mingw-w64 toolchain used to compile-check this file has no threads in its
// default (win32) model.
#include "input.h"

#include <windows.h>

namespace input {

bool setCursorPosition(int x, int y)
{
    return SetCursorPos(x, y) != FALSE;
}

void sendMouseButton(MouseButtonEvent event, int x, int y)
{
    if (event != MouseButtonEvent::LeftDown && event != MouseButtonEvent::LeftUp)
        return;
    // Neither MOUSEEVENTF_MOVE nor MOUSEEVENTF_ABSOLUTE: dx and dy then carry no movement
    // and the event lands where SetCursorPos has just put the cursor.
    mouse_event(static_cast<DWORD>(event), static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
}

void sleepMilliseconds(int milliseconds)
{
    // Sleep takes an unsigned count: a negative value would become a wait of weeks.
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
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

} // namespace input
