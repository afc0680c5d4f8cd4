#include "streamframe.h"

#include "streamconnection.h"

#include <spa/buffer/buffer.h>
#include <spa/param/video/format-utils.h>

#include <chrono>
#include <cstring>

namespace {

std::uint32_t opaquePixel(const std::uint8_t *bytes, bool redFirst)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value); // BGRx in memory is 0xxxRRGGBB on little endian
    if (redFirst)
        value = (value & 0x0000ff00u) | ((value & 0xffu) << 16) | ((value >> 16) & 0xffu);
    return value | 0xff000000u;
}

// The picture a buffer holds; none for a buffer that only moves the cursor, as a compositor
// may send.
std::optional<input::MonitorPicture> pictureIn(const spa_buffer &buffer,
                                               const spa_video_info_raw &format)
{
    const spa_data &plane = buffer.datas[0];
    const int width = int(format.size.width);
    const int height = int(format.size.height);
    const int stride = plane.chunk->stride > 0 ? plane.chunk->stride : width * 4;
    if (!plane.data || width <= 0 || height <= 0 ||
        std::int64_t{stride} * height > plane.chunk->size ||
        (plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
        return std::nullopt;
    const bool redFirst =
        format.format == SPA_VIDEO_FORMAT_RGBx || format.format == SPA_VIDEO_FORMAT_RGBA;
    const auto *rows = static_cast<const std::uint8_t *>(plane.data) + plane.chunk->offset;
    input::MonitorPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.pixels[std::size_t(y) * width + x] =
                opaquePixel(rows + std::int64_t{y} * stride + x * 4, redFirst);
    return picture;
}

} // namespace

std::optional<input::MonitorPicture>
takeStreamFrame(int remoteFd, const input::ScreenCastStream &stream, int withinMs)
{
    StreamConnection connection(remoteFd);
    std::optional<input::MonitorPicture> picture;
    const auto take = [&picture](const spa_buffer &buffer, const spa_video_info_raw &format) {
        if (!picture)
            picture = pictureIn(buffer, format);
    };
    if (!connection.consume(stream.node, take, true, false))
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    while (!picture && std::chrono::steady_clock::now() < deadline)
        connection.turn(10);
    if (picture) {
        picture->x = stream.x;
        picture->y = stream.y;
    }
    return picture;
}
