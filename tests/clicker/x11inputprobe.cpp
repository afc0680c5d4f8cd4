// Drives the X11 input layer once in a process of its own, so that a test can try it
// against a missing or limited X server without touching its own connection, which the
// layer opens once per process. Prints what the move reported.
#include "input.h"

#include <cstdio>

int main()
{
    const bool moved = input::setCursorPosition(10, 20);
    input::sendMouseButton(input::MouseButtonEvent::LeftDown, 10, 20);
    input::sendMouseButton(input::MouseButtonEvent::LeftUp, 10, 20);
    input::sleepMilliseconds(1);
    std::printf("moved %s, error code %u\n", moved ? "true" : "false",
                static_cast<unsigned int>(input::lastErrorCode()));
    return 0;
}
