#pragma once

#include "input.h"

#include <QPointer>

#include <memory>

class PointerWatch;
class RemoteDesktopSession;

/// Input through the desktop's remote-desktop portal, the way the desktop lets programs reach
/// every window of a Wayland session: the first run of a program start asks the user, and the
/// session then serves every later run until it ends (the desktop ends it, or it is given up
/// after a call the portal refused or did not answer in time), when the next run asks again.
/// Script coordinates are desktop coordinates, placed on the monitor's stream that covers
/// them. The portal only injects: the keyboard, the pointer's position and the time come from
/// the layer beneath, the X11 one of XWayland; a pointer call waiting for its answer gives way
/// to the Esc key held there. Where the desktop shows the pointer in its streams, a run also
/// stops when the user moves the mouse, which works whichever window has the keyboard.
class PortalInput final : public input::InputLayer
{
public:
    explicit PortalInput(input::InputLayer &beneath);
    ~PortalInput() override;

    /// Whether the portal can take this desktop's clicks: a session runs, or the portal offers
    /// the pointer.
    bool isOffered();

    input::Readiness beginRun() override;
    void endRun() override;
    bool setCursorPosition(int x, int y) override;
    bool cursorPosition(int &x, int &y) override { return beneath.cursorPosition(x, y); }
    void sendMouseButton(input::MouseButtonEvent event, int x, int y) override;
    void sleepMicroseconds(std::int64_t microseconds) override
    {
        beneath.sleepMicroseconds(microseconds);
    }
    std::int64_t steadyMicroseconds() override { return beneath.steadyMicroseconds(); }
    bool isEscapeKeyDown() override { return beneath.isEscapeKeyDown(); }
    bool pointerMovedByUser() override;
    std::uint32_t inputLost() override;
    std::uint32_t lastErrorCode() override { return inputLost(); }
    bool isConfinedSession() override { return false; }
    std::vector<input::MonitorPicture> monitorPictures(std::uint32_t &error) override;

private:
    input::Readiness readySession();
    bool keepWaiting() { return !beneath.isEscapeKeyDown() && !pointerMovedByUser(); }

    input::InputLayer &beneath;
    QPointer<RemoteDesktopSession> session;
    std::uint32_t version = 0;           // of the portal's interface
    std::unique_ptr<PointerWatch> watch; // while a run lasts
};
