#include "input.h"

namespace input {

bool setCursorPosition(int, int)
{
    return false;
}

void sendMouseButton(MouseButtonEvent, int, int) {}

void sleepMilliseconds(int) {}

std::uint32_t lastErrorCode()
{
    return 0;
}

} // namespace input
