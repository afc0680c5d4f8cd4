#include "loopbackhttpserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

namespace {

// A client that never finishes its header must not make the server buffer without end.
constexpr int maxHeaderBytes = 64 * 1024;
const QByteArray headerEnd = "\r\n\r\n";

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Unknown Status";
    }
}

LoopbackHttpServer::Response emptyAnswer(int status)
{
    LoopbackHttpServer::Response response;
    response.status = status;
    return response;
}

bool hasHeader(const QList<QPair<QByteArray, QByteArray>> &headers, const QByteArray &name)
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QByteArray serialize(const LoopbackHttpServer::Response &response)
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                       reasonPhrase(response.status) + "\r\n";
    for (const auto &header : response.headers)
        bytes += header.first + ": " + header.second + "\r\n";
    if (!hasHeader(response.headers, "Content-Length"))
        bytes += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (!hasHeader(response.headers, "Connection"))
        bytes += "Connection: close\r\n";
    return bytes + "\r\n" + response.body;
}

/// The request in `head` (everything before the blank line), or nothing when it is malformed.
std::optional<LoopbackHttpServer::Request> parseHead(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || requestLine[0].isEmpty() || !requestLine[1].startsWith('/') ||
        !requestLine[2].startsWith("HTTP/1."))
        return std::nullopt;

    LoopbackHttpServer::Request request;
    request.method = requestLine[0];
    request.rawTarget = requestLine[1];
    const qsizetype queryStart = request.rawTarget.indexOf('?');
    if (queryStart < 0) {
        request.path = QUrl::fromPercentEncoding(request.rawTarget);
    } else {
        request.path = QUrl::fromPercentEncoding(request.rawTarget.left(queryStart));
        request.query = QString::fromUtf8(request.rawTarget.mid(queryStart + 1));
    }

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return std::nullopt;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        // Repeated fields mean the same as one field with the values comma-separated.
        QByteArray &stored = request.headers[name];
        stored = stored.isEmpty() ? value : stored + ", " + value;
    }
    return request;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent), server(new QTcpServer(this)), defaultResponse(emptyAnswer(404))
{
    connect(server, &QTcpServer::newConnection, this, &LoopbackHttpServer::onNewConnection);
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

bool LoopbackHttpServer::listen()
{
    return server->listen(QHostAddress::LocalHost, 0);
}

quint16 LoopbackHttpServer::port() const
{
    return server->serverPort();
}

QString LoopbackHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

void LoopbackHttpServer::setResponse(const QString &path, const Response &response)
{
    responses.insert(path, response);
}

void LoopbackHttpServer::setDefaultResponse(const Response &response)
{
    defaultResponse = response;
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    return recorded;
}

void LoopbackHttpServer::clearRequests()
{
    recorded.clear();
}

void LoopbackHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        pending.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        // A client may hang up at any point, even while an answer is trickling out; the
        // socket's children (a trickle timer) go with it.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::onReadyRead(QTcpSocket *socket)
{
    if (!pending.contains(socket)) {
        socket->readAll(); // one request per connection: later bytes are not ours to answer
        return;
    }
    QByteArray &buffer = pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf(headerEnd);
    if (end < 0) {
        if (buffer.size() > maxHeaderBytes) {
            pending.remove(socket);
            answer(socket, emptyAnswer(431));
        }
        return;
    }
    const std::optional<Request> request = parseHead(buffer.left(end));
    pending.remove(socket);
    if (!request) {
        answer(socket, emptyAnswer(400));
        return;
    }
    recorded.append(*request);
    emit requestReceived(*request);
    answer(socket, responses.value(request->path, defaultResponse));
}

void LoopbackHttpServer::answer(QTcpSocket *socket, const Response &response)
{
    switch (response.behaviour) {
    case Behaviour::Answer:
        socket->write(serialize(response));
        socket->disconnectFromHost();
        break;
    case Behaviour::Close:
        socket->disconnectFromHost();
        break;
    case Behaviour::NeverAnswer:
        break;
    case Behaviour::Trickle: {
        auto *timer = new QTimer(socket);
        timer->setTimerType(Qt::PreciseTimer);
        auto remaining = std::make_shared<QByteArray>(serialize(response));
        connect(timer, &QTimer::timeout, socket, [socket, timer, remaining] {
            socket->write(remaining->left(1));
            remaining->remove(0, 1);
            if (remaining->isEmpty()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start(response.trickleIntervalMs);
        break;
    }
    }
}
