#include "portalinput.h"

#include "pointerwatch.h"
#include "remotedesktopsession.h"
#include "streamframe.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace {

// Where the desktop remembers consent (version 2 of the portal's interface on), the token that
// brings it back at the next program start; the desktop hands out a new one each time.
const QString restoreTokenKey = QStringLiteral("RemoteDesktopRestoreToken");
constexpr std::uint32_t firstPersistingVersion = 2;
// A compositor sends a frame at once when a stream starts, and again on every change.
constexpr int frameWithinMs = 2'000;

// The monitors as the window system lays them out, in its pixels, which are the pointer's.
std::vector<input::DesktopArea> windowSystemMonitors()
{
    std::vector<input::DesktopArea> monitors;
    for (const QScreen *screen : QGuiApplication::screens()) {
        // Qt keeps a screen's corner in those pixels and scales its size.
        const QRect geometry = screen->geometry();
        const QSize size = (QSizeF(geometry.size()) * screen->devicePixelRatio()).toSize();
        monitors.push_back({geometry.x(), geometry.y(), size.width(), size.height()});
    }
    return monitors;
}

// The part of `picture` that shows `monitor`, both in desktop pixels.
input::MonitorPicture partShowing(const input::MonitorPicture &picture,
                                  const input::DesktopArea &monitor)
{
    const QRect part = QRect(monitor.x, monitor.y, monitor.width, monitor.height)
                           .intersected({picture.x, picture.y, picture.width, picture.height});
    input::MonitorPicture shown{part.x(), part.y(), part.width(), part.height(), {}};
    for (int row = part.top(); row <= part.bottom(); ++row) {
        const auto from =
            picture.pixels.cbegin() + (row - picture.y) * picture.width + (part.left() - picture.x);
        shown.pixels.insert(shown.pixels.end(), from, from + part.width());
    }
    return shown;
}

} // namespace

bool PortalInput::isOffered()
{
    if (session && session->loss() == 0)
        return true;
    const std::optional<std::uint32_t> offered = RemoteDesktopSession::offeredVersion();
    version = offered.value_or(0);
    return offered.has_value();
}

PortalInput::PortalInput(input::InputLayer &beneath) : beneath(beneath) {}

PortalInput::~PortalInput() = default;

input::Readiness PortalInput::beginRun()
{
    const input::Readiness readiness = readySession();
    // A Wayland window that has the keyboard keeps the Esc key from the program; the pointer
    // it can watch, where the desktop shows it.
    if (readiness.error == 0 && session->streamsShowPointer()) {
        const QDBusUnixFileDescriptor remote = session->openPipeWireRemote();
        if (remote.isValid())
            watch = std::make_unique<PointerWatch>(remote.fileDescriptor(), session->streams());
    }
    return readiness;
}

void PortalInput::endRun()
{
    watch.reset();
}

input::Readiness PortalInput::readySession()
{
    if (session && session->loss() == 0)
        return {};
    delete session;
    session = new RemoteDesktopSession(QCoreApplication::instance());
    const bool persist = version >= firstPersistingVersion;
    const std::uint32_t error = session->start(
        persist, persist ? QSettings().value(restoreTokenKey).toString() : QString());
    if (error != 0)
        return {error};
    if (persist)
        QSettings().setValue(restoreTokenKey, session->restoreToken());
    return {0, beneath.steadyMicroseconds()};
}

bool PortalInput::setCursorPosition(int x, int y)
{
    if (!session)
        return false;
    const std::optional<input::StreamPoint> point =
        input::streamPointAt(session->streams(), windowSystemMonitors(), x, y);
    if (!point)
        return false;
    if (watch)
        watch->expect(*point);
    const bool taken =
        session->movePointer(point->node, point->x, point->y, [this] { return keepWaiting(); });
    if (taken && watch)
        watch->moveTaken();
    return taken;
}

bool PortalInput::pointerMovedByUser()
{
    return watch && watch->movedByUser();
}

void PortalInput::sendMouseButton(input::MouseButtonEvent event, int, int)
{
    if (session)
        session->pressLeftButton(event == input::MouseButtonEvent::LeftDown,
                                 [this] { return keepWaiting(); });
}

std::uint32_t PortalInput::inputLost()
{
    if (!session)
        return input::remoteDesktopEndedError;
    if (watch && watch->streamsWithdrawn())
        session->streamsWithdrawn();
    return session->loss();
}

std::vector<input::MonitorPicture> PortalInput::monitorPictures(std::uint32_t &error)
{
    std::vector<input::MonitorPicture> pictures;
    error = readySession().error;
    if (error != 0)
        return pictures;
    const QDBusUnixFileDescriptor remote = session->openPipeWireRemote();
    if (!remote.isValid())
        return pictures;
    for (const input::ScreenCastStream &stream : session->streams()) {
        std::optional<input::MonitorPicture> picture =
            takeStreamFrame(remote.fileDescriptor(), stream, frameWithinMs);
        if (!picture)
            continue;
        if (stream.placed) {
            pictures.push_back(std::move(*picture));
            continue;
        }
        // A stream that does not say where it is shows the whole desktop: a picture a monitor.
        for (const input::DesktopArea &monitor : windowSystemMonitors())
            if (input::MonitorPicture part = partShowing(*picture, monitor); !part.pixels.empty())
                pictures.push_back(std::move(part));
    }
    return pictures;
}
