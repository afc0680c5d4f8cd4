#include "pointerwatch.h"

#include <spa/buffer/buffer.h>

#include <algorithm>
#include <cstdlib>

namespace {

// A hand resting on the mouse moves it by a pixel or two; that is no reason to stop a run.
constexpr int steadyHandPixels = 6;
// How long after the desktop took a move of the run's its streams may still show the pointer
// where it was: the compositor's own round, a frame or two, and a busy compositor is late.
constexpr auto trailing = std::chrono::milliseconds(250);
constexpr auto untilMoved = std::chrono::steady_clock::time_point::max();

} // namespace

PointerWatch::PointerWatch(int remoteFd, const std::vector<input::ScreenCastStream> &streams)
    : connection(remoteFd)
{
    for (const input::ScreenCastStream &stream : streams)
        connection.consume(
            stream.node,
            [this, stream](const spa_buffer &buffer, const spa_video_info_raw &) {
                seen(stream, buffer);
            },
            false, true);
}

void PointerWatch::expect(const input::StreamPoint &point)
{
    const auto now = std::chrono::steady_clock::now();
    placed.erase(std::remove_if(placed.begin(), placed.end(),
                                [now](const Placed &earlier) { return earlier.until < now; }),
                 placed.end());
    placed.push_back({point, untilMoved});
}

void PointerWatch::moveTaken()
{
    const auto until = std::chrono::steady_clock::now() + trailing;
    // Before the run's first move the pointer was wherever the user left it, which the streams
    // may go on showing for as long.
    watchFrom = std::min(watchFrom, until);
    for (Placed &earlier : placed)
        if (&earlier != &placed.back())
            earlier.until = std::min(earlier.until, until);
}

bool PointerWatch::movedByUser()
{
    connection.turn(0);
    return moved;
}

bool PointerWatch::streamsWithdrawn()
{
    connection.turn(0);
    return connection.streamWithdrawn();
}

void PointerWatch::seen(const input::ScreenCastStream &stream, const spa_buffer &buffer)
{
    const auto *cursor = static_cast<const spa_meta_cursor *>(
        spa_buffer_find_meta_data(&buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
    // Id 0: no news of the pointer in this buffer. Off this stream's monitor: another one shows
    // it.
    const auto now = std::chrono::steady_clock::now();
    if (!cursor || cursor->id == 0 || now < watchFrom || cursor->position.x < 0 ||
        cursor->position.y < 0 || cursor->position.x >= stream.width ||
        cursor->position.y >= stream.height)
        return;
    const bool runs = std::any_of(placed.begin(), placed.end(), [&](const Placed &run) {
        return now <= run.until && run.point.node == stream.node &&
               std::abs(cursor->position.x - run.point.x) <= steadyHandPixels &&
               std::abs(cursor->position.y - run.point.y) <= steadyHandPixels;
    });
    moved = moved || !runs;
}
