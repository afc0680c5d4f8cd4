#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace input {

/// A rectangle of the desktop, in its pixels.
struct DesktopArea
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

/// What a remote-desktop session shows of the desktop: a screen-cast stream, identified by its
/// PipeWire node, covering `width` × `height` of the desktop from (x, y). A stream that is
/// not `placed` did not say where it is: the desktop takes absolute motion on it in desktop
/// coordinates, within its size (x and y are then 0).
struct ScreenCastStream
{
    std::uint32_t node = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool placed = true;
};

/// A point in one stream's own coordinates, where absolute pointer motion is placed.
struct StreamPoint
{
    std::uint32_t node = 0;
    int x = 0;
    int y = 0;
};

/// Where desktop point (x, y) falls on `streams`: the stream that covers it, or, for a point
/// off every monitor, the nearest edge of the nearest one, as an X server clamps the pointer
/// to its screen. Streams that are not placed stand for no monitor of their own, so there the
/// desktop's `monitors` (as the window system shows them) say where the nearest edge is.
/// Empty without a stream.
std::optional<StreamPoint> streamPointAt(const std::vector<ScreenCastStream> &streams,
                                         const std::vector<DesktopArea> &monitors, int x, int y);

} // namespace input
