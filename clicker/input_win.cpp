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

std::uint32_t lastErrorCode()
{
    return GetLastError();
}

} // namespace input
