#include "streamlayout.h"

#include <algorithm>

namespace {

// 64 bits: a stream may end beyond the largest int, and a script may name any int.
std::int64_t clampedInto(std::int64_t value, int start, int length)
{
    return std::clamp<std::int64_t>(value, start, std::int64_t{start} + length - 1);
}

} // namespace

std::optional<input::StreamPoint> input::streamPointAt(const std::vector<ScreenCastStream> &streams,
                                                       int x, int y)
{
    std::optional<StreamPoint> nearest;
    double nearestDistance = 0; // squared; two 33-bit differences squared overflow 64 bits
    for (const ScreenCastStream &stream : streams) {
        if (stream.width <= 0 || stream.height <= 0)
            continue;
        const std::int64_t onX = clampedInto(x, stream.x, stream.width);
        const std::int64_t onY = clampedInto(y, stream.y, stream.height);
        const double dx = double(onX - x);
        const double dy = double(onY - y);
        const double distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = StreamPoint{stream.node, int(onX - stream.x), int(onY - stream.y)};
            nearestDistance = distance;
        }
    }
    return nearest;
}
