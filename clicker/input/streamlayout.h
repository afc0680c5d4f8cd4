#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace input {

/// A monitor as a remote-desktop session shows it: a screen-cast stream, identified by its
/// PipeWire node, covering `width` × `height` of the desktop from (x, y).
struct ScreenCastStream
{
    std::uint32_t node = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

/// A point in one stream's own coordinates, where absolute pointer motion is placed.
struct StreamPoint
{
    std::uint32_t node = 0;
    int x = 0;
    int y = 0;
};

/// Where desktop point (x, y) falls on `streams`: the stream that covers it, or, for a point
/// off every monitor, the nearest edge of the nearest stream, as an X server clamps the
/// pointer to its screen. Empty without a stream.
std::optional<StreamPoint> streamPointAt(const std::vector<ScreenCastStream> &streams, int x,
                                         int y);

} // namespace input
