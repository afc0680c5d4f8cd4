#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace input {

/// Whether the desktop is a Wayland session. An X11 client there, under XWayland, reaches and
/// sees the input of XWayland windows only: the compositor keeps the rest of the desktop out.
inline bool isWaylandSession()
{
    const char *display = std::getenv("WAYLAND_DISPLAY");
    const char *sessionType = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (sessionType && std::strcmp(sessionType, "wayland") == 0);
}

/// Whether the desktop is KDE Plasma, by the variable from which the desktop's portal service
/// picks Plasma's portal too.
inline bool isPlasmaSession()
{
    const char *desktops = std::getenv("XDG_CURRENT_DESKTOP"); // such as "KDE" or "ubuntu:GNOME"
    for (std::string_view rest = desktops ? desktops : ""; !rest.empty();) {
        const std::string_view name = rest.substr(0, rest.find(':'));
        if (name == "KDE")
            return true;
        rest.remove_prefix(std::min(name.size() + 1, rest.size()));
    }
    return false;
}

} // namespace input
