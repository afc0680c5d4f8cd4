#include "streamlayout.h"

#include <algorithm>

namespace {

// 64 bits: an area may end beyond the largest int, and a script may name any int.
std::int64_t clampedInto(std::int64_t value, int start, int length)
{
    return std::clamp<std::int64_t>(value, start, std::int64_t{start} + length - 1);
}

struct NearestPoint
{
    std::size_t area = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// The point of `areas` nearest to (x, y), and which area it is on; empty when all are empty.
template <typename Area>
std::optional<NearestPoint> nearestPointOn(const std::vector<Area> &areas, std::int64_t x,
                                           std::int64_t y)
{
    std::optional<NearestPoint> nearest;
    double nearestDistance = 0; // squared; two 33-bit differences squared overflow 64 bits
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Area &area = areas[i];
        if (area.width <= 0 || area.height <= 0)
            continue;
        const NearestPoint on{i, clampedInto(x, area.x, area.width),
                              clampedInto(y, area.y, area.height)};
        const double dx = double(on.x - x);
        const double dy = double(on.y - y);
        const double distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = on;
            nearestDistance = distance;
        }
    }
    return nearest;
}

} // namespace

std::optional<input::StreamPoint> input::streamPointAt(const std::vector<ScreenCastStream> &streams,
                                                       const std::vector<DesktopArea> &monitors,
                                                       int x, int y)
{
    NearestPoint onDesktop{0, x, y};
    // A stream of the whole desktop also covers what lies between monitors of different sizes,
    // where a point would be no pixel of any.
    if (std::any_of(streams.cbegin(), streams.cend(),
                    [](const ScreenCastStream &stream) { return !stream.placed; }))
        onDesktop = nearestPointOn(monitors, x, y).value_or(onDesktop);
    const std::optional<NearestPoint> on = nearestPointOn(streams, onDesktop.x, onDesktop.y);
    if (!on)
        return std::nullopt;
    const ScreenCastStream &stream = streams[on->area];
    return StreamPoint{stream.node, int(on->x - stream.x), int(on->y - stream.y)};
}
