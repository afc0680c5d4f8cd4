#include "remotedesktopsession.h"

#include "input.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QPoint>
#include <QTimer>

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
constexpr uint rememberUntilRevoked = 2;
constexpr int leftButton = 272; // BTN_LEFT of linux/input-event-codes.h

constexpr uint cancelledResponse = 1;
// The portal answers at once unless it asks the user; a user may be away from the dialog for a
// while, but a request nobody answers is withdrawn in the end, and its dialog with it.
constexpr int portalAnswerMs = 10'000;
constexpr int userAnswerMs = 5 * 60'000;
constexpr int callReplyMs = 5'000;
// A pointer call takes a millisecond or two; one that takes this long ends the run rather
// than holding a frozen window.
constexpr int pointerReplyMs = 1'000;

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

// The streams of a Start answer: a(ua{sv}), each a PipeWire node with its position and size
// in the desktop. Anything else yields no stream.
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
        const QPoint position = pairOf(properties.value(QStringLiteral("position")));
        const QPoint size = pairOf(properties.value(QStringLiteral("size")));
        streams.push_back({node, position.x(), position.y(), size.x(), size.y()});
    }
    list.endArray();
    return streams;
}

} // namespace

std::optional<std::uint32_t> RemoteDesktopSession::offeredVersion()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    get.setArguments({remoteDesktopInterface});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, callReplyMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    if (!(properties.value(QStringLiteral("AvailableDeviceTypes")).toUInt() & pointerDevice))
        return std::nullopt;
    return properties.value(QStringLiteral("version")).toUInt();
}

RemoteDesktopSession::RemoteDesktopSession(QObject *parent)
    : QObject(parent), bus(QDBusConnection::sessionBus())
{}

std::uint32_t RemoteDesktopSession::start(bool persist, const QString &restoreToken)
{
    if (!bus.isConnected())
        return input::remoteDesktopError;
    // A portal that leaves the bus takes its sessions with it; a new one knows none of them.
    bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                {portalService}, QString(), this, SLOT(onPortalOwnerChanged()));

    const Answer created = request(
        remoteDesktopInterface, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), QStringLiteral("quorvane")}}, portalAnswerMs);
    handle = objectPathOf(created.results.value(QStringLiteral("session_handle")));
    if (created.response != 0 || handle.isEmpty())
        return fail(input::remoteDesktopError);
    bus.connect(portalService, handle, sessionInterface, QStringLiteral("Closed"), this,
                SLOT(onClosed()));
    active = true;

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
        return fail(input::remoteDesktopError);
    // Absolute motion is placed on a monitor's stream, so the session needs them all.
    if (request(screenCastInterface, QStringLiteral("SelectSources"),
                {QVariant::fromValue(session)},
                {{QStringLiteral("types"), monitorSource}, {QStringLiteral("multiple"), true}},
                portalAnswerMs)
            .response != 0)
        return fail(input::remoteDesktopError);

    const Answer started = request(remoteDesktopInterface, QStringLiteral("Start"),
                                   {QVariant::fromValue(session), QString()}, {}, userAnswerMs);
    if (started.response == cancelledResponse)
        return fail(input::consentRefusedError);
    if (started.response != 0)
        return fail(input::remoteDesktopError);
    // Sharing the screen alone gives a session in which every pointer call fails.
    if (!(started.results.value(QStringLiteral("devices")).toUInt() & pointerDevice))
        return fail(input::pointerNotGrantedError);
    streamList = streamsOf(started.results.value(QStringLiteral("streams")));
    if (streamList.empty())
        return fail(input::remoteDesktopError);
    newRestoreToken = started.results.value(QStringLiteral("restore_token")).toString();
    // The desktop makes the session's pointer when it is first used, and the first press can
    // overtake the first move then and land where the pointer was. A move by nothing makes it
    // now, without moving anything.
    notify(QStringLiteral("NotifyPointerMotion"), {0.0, 0.0});
    return 0;
}

bool RemoteDesktopSession::isActive()
{
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return active;
}

bool RemoteDesktopSession::movePointer(std::uint32_t node, double x, double y)
{
    return notify(QStringLiteral("NotifyPointerMotionAbsolute"), {uint(node), x, y});
}

bool RemoteDesktopSession::pressLeftButton(bool pressed)
{
    return notify(QStringLiteral("NotifyPointerButton"), {leftButton, uint(pressed)});
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

void RemoteDesktopSession::close()
{
    if (!std::exchange(active, false) || handle.isEmpty())
        return;
    bus.call(QDBusMessage::createMethodCall(portalService, handle, sessionInterface,
                                            QStringLiteral("Close")),
             QDBus::Block, callReplyMs);
}

void RemoteDesktopSession::onResponse(uint response, const QVariantMap &results)
{
    answer = Answer{response, results};
    emit answered();
}

void RemoteDesktopSession::onClosed()
{
    active = false;
}

void RemoteDesktopSession::onPortalOwnerChanged()
{
    active = false;
}

RemoteDesktopSession::Answer RemoteDesktopSession::request(const QString &interface,
                                                           const QString &method,
                                                           QVariantList arguments,
                                                           QVariantMap options, int answerWithinMs)
{
    // The portal answers on a request object whose path it derives from our name and a token
    // of ours, so the answer can be listened for before the call, and cannot slip past.
    const QString token = QStringLiteral("quorvane%1").arg(++requestCount);
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
        // The answer needs the event loop. The window repaints and answers the desktop's
        // pings meanwhile (a window that does not is offered to be killed), but the user's
        // input to it stays queued.
        QEventLoop loop;
        connect(this, &RemoteDesktopSession::answered, &loop, &QEventLoop::quit);
        QTimer::singleShot(answerWithinMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!answer)
            bus.call(QDBusMessage::createMethodCall(portalService, path, requestInterface,
                                                    QStringLiteral("Close")),
                     QDBus::Block, callReplyMs);
    }
    bus.disconnect(portalService, path, requestInterface, response, this, onResponseSlot);
    return std::exchange(answer, std::nullopt).value_or(Answer());
}

bool RemoteDesktopSession::notify(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktopInterface, method);
    call.setArguments(QVariantList{QVariant::fromValue(QDBusObjectPath(handle)), QVariantMap()} +
                      arguments);
    if (bus.call(call, QDBus::Block, pointerReplyMs).type() == QDBusMessage::ReplyMessage)
        return true;
    // The portal refuses the calls of a session that has ended, or never had the pointer.
    active = false;
    return false;
}

std::uint32_t RemoteDesktopSession::fail(std::uint32_t error)
{
    close();
    return error;
}
