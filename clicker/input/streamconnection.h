#pragma once

#include <cstdint>
#include <functional>
#include <memory>

struct spa_buffer;
struct spa_video_info_raw;

/// A PipeWire connection to the screen-cast streams of a remote-desktop session, through the
/// remote the portal opened for it. Its loop turns only when asked, on the thread that made it,
/// so what the streams bring is handled there, between the caller's own steps.
class StreamConnection final
{
public:
    /// Gets each buffer a stream brings, with the stream's video format, while it lasts.
    using BufferHandler = std::function<void(const spa_buffer &, const spa_video_info_raw &)>;

    /// Connects through `remoteFd`, which stays the caller's; isOpen() says whether it worked.
    explicit StreamConnection(int remoteFd);
    ~StreamConnection();
    StreamConnection(const StreamConnection &) = delete;
    StreamConnection &operator=(const StreamConnection &) = delete;

    bool isOpen() const;

    /// Takes the buffers of the stream of PipeWire node `node` to `handler`; false when PipeWire
    /// refuses. With `frames` the pictures are mapped into memory; with `cursor` each buffer
    /// carries the pointer's position as metadata (where the session was asked for it).
    bool consume(std::uint32_t node, BufferHandler handler, bool frames, bool cursor);

    /// Handles what has arrived, waiting up to `timeoutMs` for something to.
    void turn(int timeoutMs);

    /// Whether the desktop has taken away a stream consumed here, as it does when the session
    /// it belongs to ends, as of the last turn.
    bool streamWithdrawn() const;

private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};
