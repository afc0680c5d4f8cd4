#pragma once

#include "streamlayout.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QVariantMap>

#include <cstdint>
#include <optional>
#include <vector>

/// A session of the desktop's remote-desktop portal (org.freedesktop.portal.RemoteDesktop)
/// with a screen-cast stream of every monitor, the streams absolute pointer motion is placed
/// on. Starting it shows the desktop's own consent dialog; it then lasts until it is closed
/// here or the desktop ends it (the user stops it from the desktop's indicator, the portal
/// goes away, a call fails).
///
/// Pointer calls block without running the event loop, so that a run keeps the window frozen
/// between them, and the session's end is noticed there too (isActive()). Only the waits for
/// the portal's answers while starting run a nested event loop, in which user input stays
/// queued for the caller to deal with.
class RemoteDesktopSession final : public QObject
{
    Q_OBJECT

public:
    /// Whether the portal on the session bus offers control of the pointer, and in which
    /// version of its interface.
    static std::optional<std::uint32_t> offeredVersion();

    explicit RemoteDesktopSession(QObject *parent = nullptr);

    /// Asks for a session with the pointer and every monitor, waiting while the user answers
    /// the desktop's dialog. With `persist`, asks the desktop to remember the consent and
    /// hands it `restoreToken` from an earlier session. Returns 0 once the session runs, else
    /// an input error code (the session is then closed again).
    std::uint32_t start(bool persist, const QString &restoreToken);

    /// What brings this consent back in a later session, where the desktop remembers one.
    QString restoreToken() const { return newRestoreToken; }

    /// The monitors, as the session's streams.
    const std::vector<input::ScreenCastStream> &streams() const { return streamList; }

    /// Whether the session still runs, after taking in the portal's signals that arrived
    /// meanwhile, whatever the GUI thread is doing.
    bool isActive();

    /// Moves the pointer to (x, y) of stream `node`; false, and the session taken for ended,
    /// when the portal refuses.
    bool movePointer(std::uint32_t node, double x, double y);

    /// Presses or releases the left button, as movePointer fails.
    bool pressLeftButton(bool pressed);

    /// A PipeWire remote that shows the session's streams; an invalid descriptor when the
    /// portal refuses.
    QDBusUnixFileDescriptor openPipeWireRemote();

    void close();

signals:
    void answered();

private slots:
    void onResponse(uint response, const QVariantMap &results);
    void onClosed();
    void onPortalOwnerChanged();

private:
    struct Answer
    {
        uint response = 2; // the portal's "failed", also when no answer came
        QVariantMap results;
    };

    Answer request(const QString &interface, const QString &method, QVariantList arguments,
                   QVariantMap options, int answerWithinMs);
    bool notify(const QString &method, const QVariantList &arguments);
    std::uint32_t fail(std::uint32_t error);

    QDBusConnection bus;
    QString handle; // the session's object path, once the portal has made it
    bool active = false;
    std::vector<input::ScreenCastStream> streamList;
    QString newRestoreToken;
    std::optional<Answer> answer;
    int requestCount = 0;
};
