#include "streamframe.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <fcntl.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

// Formats the picture can be made of without a conversion library; without a modifier in the
// offer the compositor sends frames in shared memory rather than GPU buffers.
constexpr spa_video_format offeredFormats[] = {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA};

struct Capture
{
    pw_stream *stream = nullptr;
    spa_video_info_raw format{};
    input::MonitorPicture picture;
    bool done = false;
};

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

void onParamChanged(void *data, uint32_t id, const spa_pod *param)
{
    auto *capture = static_cast<Capture *>(data);
    if (id == SPA_PARAM_Format && param)
        spa_format_video_raw_parse(param, &capture->format);
}

std::uint32_t opaquePixel(const std::uint8_t *bytes, bool redFirst)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value); // BGRx in memory is 0xxxRRGGBB on little endian
    if (redFirst)
        value = (value & 0x0000ff00u) | ((value & 0xffu) << 16) | ((value >> 16) & 0xffu);
    return value | 0xff000000u;
}

void onProcess(void *data)
{
    auto *capture = static_cast<Capture *>(data);
    pw_buffer *buffer = pw_stream_dequeue_buffer(capture->stream);
    if (!buffer)
        return;
    const spa_data &plane = buffer->buffer->datas[0];
    const int width = int(capture->format.size.width);
    const int height = int(capture->format.size.height);
    const int stride = plane.chunk->stride > 0 ? plane.chunk->stride : width * 4;
    // A compositor may send a frame that only moves the cursor, with no picture in it.
    if (!capture->done && plane.data && width > 0 && height > 0 &&
        std::int64_t{stride} * height <= plane.chunk->size &&
        !(plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED)) {
        const bool redFirst = capture->format.format == SPA_VIDEO_FORMAT_RGBx ||
                              capture->format.format == SPA_VIDEO_FORMAT_RGBA;
        const auto *rows = static_cast<const std::uint8_t *>(plane.data) + plane.chunk->offset;
        input::MonitorPicture &picture = capture->picture;
        picture.width = width;
        picture.height = height;
        picture.pixels.resize(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.pixels[std::size_t(y) * width + x] =
                    opaquePixel(rows + std::int64_t{y} * stride + x * 4, redFirst);
        capture->done = true;
    }
    pw_stream_queue_buffer(capture->stream, buffer);
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

} // namespace

std::optional<input::MonitorPicture>
takeStreamFrame(int remoteFd, const input::ScreenCastStream &stream, int withinMs)
{
    pw_init(nullptr, nullptr);
    const Owned<pw_main_loop, pw_main_loop_destroy> loop(pw_main_loop_new(nullptr));
    if (!loop)
        return std::nullopt;
    pw_loop *events = pw_main_loop_get_loop(loop.get());
    const Owned<pw_context, pw_context_destroy> context(pw_context_new(events, nullptr, 0));
    // The connection takes the descriptor it is given; the caller's stays open.
    const int ownFd = context ? fcntl(remoteFd, F_DUPFD_CLOEXEC, 3) : -1;
    if (ownFd < 0)
        return std::nullopt;
    const Owned<pw_core, disconnectCore> core(
        pw_context_connect_fd(context.get(), ownFd, nullptr, 0));
    if (!core)
        return std::nullopt;
    Capture capture;
    const Owned<pw_stream, pw_stream_destroy> pipewireStream(
        pw_stream_new(core.get(), "quorvane-picture",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr)));
    if (!pipewireStream)
        return std::nullopt;
    capture.stream = pipewireStream.get();
    pw_stream_events handlers{};
    handlers.version = PW_VERSION_STREAM_EVENTS;
    handlers.param_changed = onParamChanged;
    handlers.process = onProcess;
    spa_hook listener{};
    pw_stream_add_listener(capture.stream, &listener, &handlers, &capture);

    std::uint8_t offerBuffer[1024];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, offerBuffer, sizeof offerBuffer);
    const spa_pod *offer[] = {formatOffer(builder)};
    if (pw_stream_connect(capture.stream, PW_DIRECTION_INPUT, stream.node,
                          pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                          offer, 1) < 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    pw_loop_enter(events);
    while (!capture.done && std::chrono::steady_clock::now() < deadline)
        pw_loop_iterate(events, 10);
    pw_loop_leave(events);
    spa_hook_remove(&listener);
    if (!capture.done)
        return std::nullopt;
    capture.picture.x = stream.x;
    capture.picture.y = stream.y;
    return std::move(capture.picture);
}
