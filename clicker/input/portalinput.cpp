#include "portalinput.h"

#include "remotedesktopsession.h"
#include "streamframe.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

// Where the desktop remembers consent (version 2 of the portal's interface on), the token that
// brings it back at the next program start; the desktop hands out a new one each time.
const QString restoreTokenKey = QStringLiteral("RemoteDesktopRestoreToken");
constexpr std::uint32_t firstPersistingVersion = 2;
// A compositor sends a frame at once when a stream starts, and again on every change.
constexpr int frameWithinMs = 2'000;

} // namespace

bool PortalInput::isOffered()
{
    if (session && session->isActive())
        return true;
    const std::optional<std::uint32_t> offered = RemoteDesktopSession::offeredVersion();
    version = offered.value_or(0);
    return offered.has_value();
}

input::Readiness PortalInput::beginRun()
{
    if (session && session->isActive())
        return {};
    delete session;
    session = new RemoteDesktopSession(QCoreApplication::instance());
    pressed = false;
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
    if (!session || !session->isActive())
        return false;
    const std::optional<input::StreamPoint> point = input::streamPointAt(session->streams(), x, y);
    return point && session->movePointer(point->node, point->x, point->y);
}

void PortalInput::sendMouseButton(input::MouseButtonEvent event, int, int)
{
    if (!session)
        return;
    if (event == input::MouseButtonEvent::LeftDown)
        pressed = session->isActive() && session->pressLeftButton(true);
    // Also after the session ended: the desktop may still take the release, and a button left
    // down would turn the user's next move into a drag.
    else if (event == input::MouseButtonEvent::LeftUp && std::exchange(pressed, false))
        session->pressLeftButton(false);
}

bool PortalInput::inputLost()
{
    return !session || !session->isActive();
}

std::vector<input::MonitorPicture> PortalInput::monitorPictures()
{
    std::vector<input::MonitorPicture> pictures;
    if (beginRun().error != 0)
        return pictures;
    const QDBusUnixFileDescriptor remote = session->openPipeWireRemote();
    if (!remote.isValid())
        return pictures;
    for (const input::ScreenCastStream &stream : session->streams())
        if (std::optional<input::MonitorPicture> picture =
                takeStreamFrame(remote.fileDescriptor(), stream, frameWithinMs))
            pictures.push_back(std::move(*picture));
    return pictures;
}
