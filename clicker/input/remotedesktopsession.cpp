#include "remotedesktopsession.h"

#include "desktopanswerwait.h"
#include "input.h"
#include "waylandsession.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QPoint>

#include <chrono>
#include <thread>
#include <utility>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString screenCastInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

constexpr uint pointerDevice = 2;
constexpr uint monitorSource = 1;
constexpr uint cursorAsMetadata = 4;
constexpr uint rememberUntilRevoked = 2;
constexpr int leftButton = 272; // BTN_LEFT of linux/input-event-codes.h

constexpr uint cancelledResponse = 1;
// The portal answers at once unless it asks the user; a user may be away from the dialog for a
// while, but a request nobody answers is withdrawn in the end, and its dialog with it.
constexpr int portalAnswerMs = 10'000;
constexpr int userAnswerMs = 5 * 60'000;
constexpr int callReplyMs = 5'000;
// A pointer call takes a millisecond or two. A busy session bus or a machine that swaps can
// hold one up for a second or two, which a run rides out (asking keepWaiting meanwhile); a
// portal that takes longer is taken for one that stopped answering.
constexpr int pointerReplyMs = 3'000;
constexpr auto keepWaitingEvery = std::chrono::milliseconds(10);
constexpr auto replyLookEvery = std::chrono::microseconds(100);
// Closing when the program ends: a portal that does not answer ends the session itself once
// the program's connection goes.
constexpr int closeReplyMs = 1'000;

// The properties of the portal's `interface`; none when it does not answer.
QVariantMap portalProperties(const QString &interface)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    get.setArguments({interface});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, callReplyMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

// Tokens name the objects the portal makes for us; one it still holds (a session it has not
// closed yet, a request it has not answered) must not be named again.
QString newToken(const char *kind)
{
    static int made = 0;
    return QStringLiteral("quorvane_%1%2").arg(QLatin1String(kind)).arg(++made);
}

QString objectPathOf(const QVariant &value)
{
    // Portals differ on whether they send the session's handle as a path or a string.
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                               : value.toString();
}

QPoint pairOf(const QVariant &value)
{
    QPoint pair;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return pair;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(ii)"))
        return pair;
    int first = 0;
    int second = 0;
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
    return {first, second};
}

// The streams of a Start answer: a(ua{sv}), each a PipeWire node with its size and, where the
// desktop says, its position in the desktop. Anything else yields no stream.
std::vector<input::ScreenCastStream> streamsOf(const QVariant &value)
{
    std::vector<input::ScreenCastStream> streams;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return streams;
    const QDBusArgument list = value.value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String("a(ua{sv})"))
        return streams;
    list.beginArray();
    while (!list.atEnd()) {
        uint node = 0;
        QVariantMap properties;
        list.beginStructure();
        list >> node >> properties;
        list.endStructure();
        const QVariant placedAt = properties.value(QStringLiteral("position"));
        const QPoint position = pairOf(placedAt);
        const QPoint size = pairOf(properties.value(QStringLiteral("size")));
        streams.push_back(
            {node, position.x(), position.y(), size.x(), size.y(), placedAt.isValid()});
    }
    list.endArray();
    return streams;
}

} // namespace

std::optional<std::uint32_t> RemoteDesktopSession::offeredVersion()
{
    const QVariantMap properties = portalProperties(remoteDesktopInterface);
    if (!(properties.value(QStringLiteral("AvailableDeviceTypes")).toUInt() & pointerDevice))
        return std::nullopt;
    return properties.value(QStringLiteral("version")).toUInt();
}

RemoteDesktopSession::RemoteDesktopSession(QObject *parent)
    : QObject(parent), bus(QDBusConnection::sessionBus())
{
    // While the event loop still runs: the bus may be gone by the time the objects of the
    // application are destroyed.
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { close(true); });
}

RemoteDesktopSession::~RemoteDesktopSession()
{
    close(true);
}

std::uint32_t RemoteDesktopSession::start(bool persist, const QString &restoreToken)
{
    if (!bus.isConnected())
        return input::remoteDesktopError;
    // A portal that leaves the bus takes its sessions with it; a new one knows none of them.
    bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                {portalService}, QString(), this, SLOT(onPortalOwnerChanged()));
    // A request the user gave up on says so, whatever the portal made of it.
    const auto failWith = [this](std::uint32_t error) {
        return fail(gaveUpWaiting ? input::gaveUpWaitingError : error);
    };

    const Answer created =
        request(remoteDesktopInterface, QStringLiteral("CreateSession"), {},
                {{QStringLiteral("session_handle_token"), newToken("session")}}, portalAnswerMs);
    handle = objectPathOf(created.results.value(QStringLiteral("session_handle")));
    if (created.response != 0 || handle.isEmpty())
        return failWith(input::remoteDesktopError);
    bus.connect(portalService, handle, sessionInterface, QStringLiteral("Closed"), this,
                SLOT(onClosed()));
    open = true;

    const QDBusObjectPath session(handle);
    QVariantMap devices{{QStringLiteral("types"), pointerDevice}};
    if (persist) {
        devices.insert(QStringLiteral("persist_mode"), rememberUntilRevoked);
        if (!restoreToken.isEmpty())
            devices.insert(QStringLiteral("restore_token"), restoreToken);
    }
    if (request(remoteDesktopInterface, QStringLiteral("SelectDevices"),
                {QVariant::fromValue(session)}, devices, portalAnswerMs)
            .response != 0)
        return failWith(input::remoteDesktopError);
    // Absolute motion is placed on a monitor's stream, so the session needs them all. Plasma's
    // streams do not say where their monitors are, and it places motion on any of them in
    // desktop coordinates from the corner of the stream it started last, whoever for: asked for
    // one source, it gives one stream of the whole desktop, which places every point as it is.
    // The streams' cursor metadata is where a program sees the user move the mouse over other
    // windows.
    QVariantMap sources{{QStringLiteral("types"), monitorSource},
                        {QStringLiteral("multiple"), !input::isPlasmaSession()}};
    showsPointer = portalProperties(screenCastInterface)
                       .value(QStringLiteral("AvailableCursorModes"))
                       .toUInt() &
                   cursorAsMetadata;
    if (showsPointer)
        sources.insert(QStringLiteral("cursor_mode"), cursorAsMetadata);
    if (request(screenCastInterface, QStringLiteral("SelectSources"),
                {QVariant::fromValue(session)}, sources, portalAnswerMs)
            .response != 0)
        return failWith(input::remoteDesktopError);

    const Answer started = request(remoteDesktopInterface, QStringLiteral("Start"),
                                   {QVariant::fromValue(session), QString()}, {}, userAnswerMs);
    if (started.response == cancelledResponse)
        return failWith(input::consentRefusedError);
    if (started.response != 0)
        return failWith(input::remoteDesktopError);
    // Sharing the screen alone gives a session in which every pointer call fails.
    if (!(started.results.value(QStringLiteral("devices")).toUInt() & pointerDevice))
        return fail(input::pointerNotGrantedError);
    streamList = streamsOf(started.results.value(QStringLiteral("streams")));
    if (streamList.empty())
        return fail(input::remoteDesktopError);
    newRestoreToken = started.results.value(QStringLiteral("restore_token")).toString();
    // The desktop makes the session's pointer when it is first used, and the first press can
    // overtake the first move then and land where the pointer was. A move by nothing makes it
    // now, without moving anything; a session that fails it is no session to run in.
    const Reply readied =
        notify(QStringLiteral("NotifyPointerMotion"), {0.0, 0.0}, [] { return true; });
    if (readied != Reply::Answered)
        return fail(lossFrom(readied));
    return 0;
}

std::uint32_t RemoteDesktopSession::loss()
{
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return lost;
}

bool RemoteDesktopSession::movePointer(std::uint32_t node, double x, double y,
                                       const KeepWaiting &keepWaiting)
{
    return pointerCall(QStringLiteral("NotifyPointerMotionAbsolute"), {uint(node), x, y},
                       keepWaiting);
}

bool RemoteDesktopSession::pressLeftButton(bool pressed, const KeepWaiting &keepWaiting)
{
    const QVariantList arguments{leftButton, uint(pressed)};
    if (pressed) {
        if (loss() != 0)
            return false;
        leftButtonDown = true;
        return pointerCall(QStringLiteral("NotifyPointerButton"), arguments, keepWaiting);
    }
    if (!std::exchange(leftButtonDown, false))
        return true;
    if (loss() == 0)
        return pointerCall(QStringLiteral("NotifyPointerButton"), arguments, keepWaiting);
    // A desktop that was only slow may still carry out the press; one that ended the session
    // refuses the release harmlessly.
    bus.call(pointerMessage(QStringLiteral("NotifyPointerButton"), arguments), QDBus::NoBlock);
    return false;
}

void RemoteDesktopSession::streamsWithdrawn()
{
    // Its portal may go on taking pointer calls and drop them; closing it there too lets the
    // next run start a session afresh.
    if (loss() == 0)
        giveUp(input::remoteDesktopEndedError);
}

QDBusUnixFileDescriptor RemoteDesktopSession::openPipeWireRemote()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, screenCastInterface, QStringLiteral("OpenPipeWireRemote"));
    call.setArguments({QVariant::fromValue(QDBusObjectPath(handle)), QVariantMap()});
    const QDBusMessage reply = bus.call(call, QDBus::Block, callReplyMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
}

void RemoteDesktopSession::onResponse(uint response, const QVariantMap &results)
{
    answer = Answer{response, results};
    emit answered();
}

void RemoteDesktopSession::onClosed()
{
    open = false;
    if (lost == 0)
        lost = input::remoteDesktopEndedError;
}

void RemoteDesktopSession::onPortalOwnerChanged()
{
    onClosed();
}

RemoteDesktopSession::Answer RemoteDesktopSession::request(const QString &interface,
                                                           const QString &method,
                                                           QVariantList arguments,
                                                           QVariantMap options, int answerWithinMs)
{
    // The portal answers on a request object whose path it derives from our name and a token
    // of ours, so the answer can be listened for before the call, and cannot slip past.
    const QString token = newToken("request");
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(bus.baseService().mid(1).replace('.', '_'), token);
    options.insert(QStringLiteral("handle_token"), token);
    const QString response = QStringLiteral("Response");
    const char *const onResponseSlot = SLOT(onResponse(uint, QVariantMap));
    bus.connect(portalService, path, requestInterface, response, this, onResponseSlot);
    answer.reset();

    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    arguments.append(options);
    call.setArguments(arguments);
    if (bus.call(call, QDBus::Block, callReplyMs).type() == QDBusMessage::ReplyMessage) {
        DesktopAnswerWait wait(showsPointer);
        connect(this, &RemoteDesktopSession::answered, &wait, &DesktopAnswerWait::answer);
        gaveUpWaiting = wait.wait(answerWithinMs) == DesktopAnswerWait::Outcome::GaveUp;
        // Withdrawn, and its dialog with it; a portal that does not answer is not waited for.
        if (!answer)
            bus.call(QDBusMessage::createMethodCall(portalService, path, requestInterface,
                                                    QStringLiteral("Close")),
                     QDBus::NoBlock);
    }
    bus.disconnect(portalService, path, requestInterface, response, this, onResponseSlot);
    return std::exchange(answer, std::nullopt).value_or(Answer());
}

RemoteDesktopSession::Reply RemoteDesktopSession::notify(const QString &method,
                                                         const QVariantList &arguments,
                                                         const KeepWaiting &keepWaiting)
{
    // Sent on the bus's own thread, answered there: looking at it now and then keeps this
    // thread free to ask keepWaiting.
    const QDBusPendingCall pending =
        bus.asyncCall(pointerMessage(method, arguments), pointerReplyMs);
    auto nextLook = std::chrono::steady_clock::now() + keepWaitingEvery;
    while (!pending.isFinished()) {
        if (std::chrono::steady_clock::now() >= nextLook) {
            if (!keepWaiting())
                return Reply::StoppedWaiting;
            nextLook += keepWaitingEvery;
        }
        std::this_thread::sleep_for(replyLookEvery);
    }
    if (!pending.isError())
        return Reply::Answered;
    const QDBusError::ErrorType error = pending.error().type();
    return error == QDBusError::NoReply || error == QDBusError::Timeout ? Reply::Late
                                                                        : Reply::Refused;
}

bool RemoteDesktopSession::pointerCall(const QString &method, const QVariantList &arguments,
                                       const KeepWaiting &keepWaiting)
{
    if (loss() != 0)
        return false;
    const Reply reply = notify(method, arguments, keepWaiting);
    if (reply == Reply::Refused || reply == Reply::Late)
        giveUp(lossFrom(reply));
    return reply == Reply::Answered;
}

QDBusMessage RemoteDesktopSession::pointerMessage(const QString &method,
                                                  const QVariantList &arguments) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktopInterface, method);
    call.setArguments(QVariantList{QVariant::fromValue(QDBusObjectPath(handle)), QVariantMap()} +
                      arguments);
    return call;
}

std::uint32_t RemoteDesktopSession::lossFrom(Reply reply)
{
    // The portal refuses the calls of a session the desktop has ended: its Closed signal, sent
    // before the refusal, tells the two apart.
    if (loss() != 0)
        return lost;
    return reply == Reply::Late ? input::remoteDesktopLateError : input::remoteDesktopError;
}

void RemoteDesktopSession::giveUp(std::uint32_t why)
{
    lost = why;
    // The press may have been carried out, or still be: its release goes before the session.
    pressLeftButton(false, {});
    close(false);
}

void RemoteDesktopSession::close(bool waitForAnswer)
{
    if (!std::exchange(open, false))
        return;
    if (lost == 0)
        lost = input::remoteDesktopEndedError;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, handle, sessionInterface, QStringLiteral("Close"));
    if (waitForAnswer)
        bus.call(call, QDBus::Block, closeReplyMs);
    else
        bus.call(call, QDBus::NoBlock);
}

std::uint32_t RemoteDesktopSession::fail(std::uint32_t error)
{
    giveUp(error);
    return error;
}
