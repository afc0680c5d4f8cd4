#pragma once

#include "streamlayout.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

/// A session of the desktop's remote-desktop portal (org.freedesktop.portal.RemoteDesktop)
/// with a screen-cast stream of every monitor, the streams absolute pointer motion is placed
/// on. Starting it shows the desktop's own consent dialog; it then lasts until the desktop ends
/// it (the user stops it from the desktop's indicator, the portal goes away) or it is given up
/// here: a pointer call the portal refuses or does not answer in time, or the object's end.
/// A session given up is closed at the desktop, so that its sharing indicator goes and the
/// next session starts afresh.
///
/// Pointer calls wait for their answer without running the event loop, so that a run keeps the
/// window frozen between them, and the session's end is noticed there too (loss()). Only the
/// waits for the portal's answers while starting run a nested event loop (DesktopAnswerWait).
class RemoteDesktopSession final : public QObject
{
    Q_OBJECT

public:
    /// Asked about every 10 ms while a pointer call awaits its answer; false stops the wait (the
    /// call may still be carried out).
    using KeepWaiting = std::function<bool()>;

    /// Whether the portal on the session bus offers control of the pointer, and in which
    /// version of its interface.
    static std::optional<std::uint32_t> offeredVersion();

    explicit RemoteDesktopSession(QObject *parent = nullptr);
    ~RemoteDesktopSession() override;

    /// Asks for a session with the pointer and every monitor, waiting while the user answers
    /// the desktop's dialog, and readies its pointer. With `persist`, asks the desktop to
    /// remember the consent and hands it `restoreToken` from an earlier session. Returns 0 once
    /// the session runs, else an input error code (the session is then closed again).
    std::uint32_t start(bool persist, const QString &restoreToken);

    /// What brings this consent back in a later session, where the desktop remembers one.
    QString restoreToken() const { return newRestoreToken; }

    /// The monitors, as the session's streams.
    const std::vector<input::ScreenCastStream> &streams() const { return streamList; }

    /// Whether the streams carry the pointer's position as metadata (not every desktop offers
    /// it).
    bool streamsShowPointer() const { return showsPointer; }

    /// Why the session no longer takes input, as an input error code, after taking in the
    /// portal's signals that arrived meanwhile, whatever the GUI thread is doing; 0 while it
    /// runs.
    std::uint32_t loss();

    /// Moves the pointer to (x, y) of stream `node`; false when the session did not take it.
    bool movePointer(std::uint32_t node, double x, double y, const KeepWaiting &keepWaiting);

    /// Presses or releases the left button, as movePointer. A press counts as outstanding once
    /// sent, answered or not: the portal may still carry out one it was late with, so the
    /// release goes out however the session ends.
    bool pressLeftButton(bool pressed, const KeepWaiting &keepWaiting);

    /// The desktop took the session's streams away: it ended the session, whether or not its
    /// portal said so on the bus (some do not when the session is stopped at their back end).
    void streamsWithdrawn();

    /// A PipeWire remote that shows the session's streams; an invalid descriptor when the
    /// portal refuses.
    QDBusUnixFileDescriptor openPipeWireRemote();

private slots:
    void onResponse(uint response, const QVariantMap &results);
    void onClosed();
    void onPortalOwnerChanged();

signals:
    void answered();

private:
    struct Answer
    {
        uint response = 2; // the portal's "failed", also when no answer came
        QVariantMap results;
    };
    enum class Reply { Answered, Refused, Late, StoppedWaiting };

    Answer request(const QString &interface, const QString &method, QVariantList arguments,
                   QVariantMap options, int answerWithinMs);
    Reply notify(const QString &method, const QVariantList &arguments,
                 const KeepWaiting &keepWaiting);
    bool pointerCall(const QString &method, const QVariantList &arguments,
                     const KeepWaiting &keepWaiting);
    QDBusMessage pointerMessage(const QString &method, const QVariantList &arguments) const;
    std::uint32_t lossFrom(Reply reply);
    void giveUp(std::uint32_t why);
    void close(bool waitForAnswer);
    std::uint32_t fail(std::uint32_t error);

    QDBusConnection bus;
    QString handle;         // the session's object path, once the portal has made it
    bool open = false;      // made at the desktop, and neither closed there nor here yet
    std::uint32_t lost = 0; // why input no longer arrives; 0 while it does
    bool leftButtonDown = false;
    bool gaveUpWaiting = false; // the user gave up waiting for the portal's answer
    bool showsPointer = false;
    std::vector<input::ScreenCastStream> streamList;
    QString newRestoreToken;
    std::optional<Answer> answer;
};
