#pragma once

#include <cstdlib>
#include <cstring>

namespace input {

/// Whether the desktop is a Wayland session. An X11 client there, under XWayland, reaches and
/// sees the input of XWayland windows only: the compositor keeps the rest of the desktop out.
inline bool isWaylandSession()
{
    const char *display = std::getenv("WAYLAND_DISPLAY");
    const char *sessionType = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (sessionType && std::strcmp(sessionType, "wayland") == 0);
}

} // namespace input
