#include "streamconnection.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <fcntl.h>

#include <list>

namespace {

// Formats a picture can be made of without a conversion library; without a modifier in the
// offer the compositor sends frames in shared memory rather than GPU buffers.
constexpr spa_video_format offeredFormats[] = {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA};

// Cursor metadata holds the pointer's picture too. GNOME offers it at the size of a 384×384
// one and sends a consumer whose range stops short of that no metadata at all.
constexpr std::int32_t cursorMetadataSize(std::int32_t side)
{
    return std::int32_t(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap)) + side * side * 4;
}

template <typename T, void (*release)(T *)> struct Releaser
{
    void operator()(T *object) const { release(object); }
};
template <typename T, void (*release)(T *)> using Owned = std::unique_ptr<T, Releaser<T, release>>;

void disconnectCore(pw_core *core)
{
    pw_core_disconnect(core);
}

void destroyRegistry(pw_registry *registry)
{
    pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
}

const spa_pod *formatOffer(spa_pod_builder &builder)
{
    spa_pod_frame object;
    spa_pod_frame choice;
    spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(&builder, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(&builder, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(&builder, SPA_MEDIA_SUBTYPE_raw);
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
    spa_pod_builder_id(&builder, offeredFormats[0]); // the preferred one
    for (const spa_video_format format : offeredFormats)
        spa_pod_builder_id(&builder, format);
    spa_pod_builder_pop(&builder, &choice);
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_rectangle(&builder, 1920, 1080);
    spa_pod_builder_rectangle(&builder, 1, 1);
    spa_pod_builder_rectangle(&builder, 16384, 16384);
    spa_pod_builder_pop(&builder, &choice);
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_framerate, 0);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_fraction(&builder, 0, 1);
    spa_pod_builder_fraction(&builder, 0, 1);
    spa_pod_builder_fraction(&builder, 1000, 1);
    spa_pod_builder_pop(&builder, &choice);
    return static_cast<const spa_pod *>(spa_pod_builder_pop(&builder, &object));
}

const spa_pod *cursorMetadataRequest(spa_pod_builder &builder)
{
    return static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
        SPA_POD_CHOICE_RANGE_Int(cursorMetadataSize(64), cursorMetadataSize(1),
                                 cursorMetadataSize(1024))));
}

struct Consumer
{
    std::uint32_t node = 0;
    Owned<pw_stream, pw_stream_destroy> stream;
    spa_hook listener{};
    spa_video_info_raw format{};
    StreamConnection::BufferHandler handler;
    bool cursor = false;
};

void onParamChanged(void *data, std::uint32_t id, const spa_pod *param)
{
    auto *consumer = static_cast<Consumer *>(data);
    if (id != SPA_PARAM_Format || !param)
        return;
    spa_format_video_raw_parse(param, &consumer->format);
    if (!consumer->cursor)
        return;
    std::uint8_t requestBuffer[256];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(requestBuffer, sizeof requestBuffer);
    const spa_pod *request[] = {cursorMetadataRequest(builder)};
    pw_stream_update_params(consumer->stream.get(), request, 1);
}

void onProcess(void *data)
{
    auto *consumer = static_cast<Consumer *>(data);
    pw_buffer *buffer = pw_stream_dequeue_buffer(consumer->stream.get());
    if (!buffer)
        return;
    consumer->handler(*buffer->buffer, consumer->format);
    pw_stream_queue_buffer(consumer->stream.get(), buffer);
}

} // namespace

struct StreamConnection::Connection
{
    Owned<pw_main_loop, pw_main_loop_destroy> loop;
    Owned<pw_context, pw_context_destroy> context;
    Owned<pw_core, disconnectCore> core;
    // The nodes of the session's streams, as the desktop adds and removes them.
    Owned<pw_registry, destroyRegistry> registry;
    spa_hook registryListener{};
    pw_registry_events registryEvents{};
    std::list<Consumer> consumers; // where PipeWire's callbacks find them, so never moved
    pw_stream_events events{};
    bool withdrawn = false;

    ~Connection()
    {
        // Streams and the registry go before the core they belong to, and everything before
        // the loop is left.
        consumers.clear();
        registry.reset();
        core.reset();
        context.reset();
        if (loop)
            pw_loop_leave(pw_main_loop_get_loop(loop.get()));
    }
};

StreamConnection::StreamConnection(int remoteFd) : connection(std::make_unique<Connection>())
{
    pw_init(nullptr, nullptr);
    connection->events.version = PW_VERSION_STREAM_EVENTS;
    connection->events.param_changed = onParamChanged;
    connection->events.process = onProcess;
    connection->loop.reset(pw_main_loop_new(nullptr));
    if (!connection->loop)
        return;
    // Entered for good by this thread: PipeWire's own data thread then hands the streams'
    // events to it, to be handled when it turns the loop, rather than calling them itself while
    // the loop stands still, in the middle of whatever this thread is doing.
    pw_loop_enter(pw_main_loop_get_loop(connection->loop.get()));
    connection->context.reset(
        pw_context_new(pw_main_loop_get_loop(connection->loop.get()), nullptr, 0));
    // The connection takes the descriptor it is given; the caller's stays open.
    const int ownFd = connection->context ? fcntl(remoteFd, F_DUPFD_CLOEXEC, 3) : -1;
    if (ownFd >= 0)
        connection->core.reset(pw_context_connect_fd(connection->context.get(), ownFd, nullptr, 0));
    if (!connection->core)
        return;
    // A desktop that ends a session takes its streams' nodes away, whether or not its portal
    // says so on the bus.
    connection->registry.reset(
        pw_core_get_registry(connection->core.get(), PW_VERSION_REGISTRY, 0));
    connection->registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    connection->registryEvents.global_remove = [](void *data, std::uint32_t id) {
        auto *owner = static_cast<Connection *>(data);
        for (const Consumer &consumer : owner->consumers)
            owner->withdrawn = owner->withdrawn || consumer.node == id;
    };
    if (connection->registry)
        pw_registry_add_listener(connection->registry.get(), &connection->registryListener,
                                 &connection->registryEvents, connection.get());
}

StreamConnection::~StreamConnection() = default;

bool StreamConnection::isOpen() const
{
    return connection->core != nullptr;
}

bool StreamConnection::consume(std::uint32_t node, BufferHandler handler, bool frames, bool cursor)
{
    if (!isOpen())
        return false;
    Owned<pw_stream, pw_stream_destroy> stream(
        pw_stream_new(connection->core.get(), "quorvane",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr)));
    if (!stream)
        return false;
    Consumer &consumer = connection->consumers.emplace_back();
    consumer.node = node;
    consumer.stream = std::move(stream);
    consumer.handler = std::move(handler);
    consumer.cursor = cursor;
    pw_stream_add_listener(consumer.stream.get(), &consumer.listener, &connection->events,
                           &consumer);
    std::uint8_t offerBuffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(offerBuffer, sizeof offerBuffer);
    const spa_pod *offer[] = {formatOffer(builder)};
    const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT |
                                       (frames ? PW_STREAM_FLAG_MAP_BUFFERS : PW_STREAM_FLAG_NONE));
    if (pw_stream_connect(consumer.stream.get(), PW_DIRECTION_INPUT, node, flags, offer, 1) < 0) {
        connection->consumers.pop_back();
        return false;
    }
    return true;
}

void StreamConnection::turn(int timeoutMs)
{
    if (!isOpen())
        return;
    pw_loop_iterate(pw_main_loop_get_loop(connection->loop.get()), timeoutMs);
}

bool StreamConnection::streamWithdrawn() const
{
    return connection->withdrawn;
}
