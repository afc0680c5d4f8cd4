#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

/// A scriptable HTTP/1.1 server on 127.0.0.1 and an ephemeral port, for tests that need a
/// content server which misbehaves on demand. Every request is recorded. One request per
/// connection: whatever the client sends after the first head is ignored. A malformed request
/// line or header gets 400 and one whose head exceeds 64 KiB gets 431; neither is recorded.
class LoopbackHttpServer final : public QObject
{
    Q_OBJECT

public:
    /// How the server treats a request that matches a response.
    enum class Behaviour {
        Answer,      ///< status, headers and body, then close
        Close,       ///< close the connection without a byte of answer
        NeverAnswer, ///< keep the connection open and say nothing
        Trickle,     ///< answer one byte of the whole response per trickleIntervalMs
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        /// Extra header lines; Content-Length is added unless given here.
        QList<QPair<QByteArray, QByteArray>> headers;
        Behaviour behaviour = Behaviour::Answer;
        int trickleIntervalMs = 1000;
    };

    struct Request
    {
        QByteArray method;
        QString path;  ///< decoded path, without the query; starts with '/'
        QString query; ///< the raw query after '?', empty when there is none
        QByteArray rawTarget;
        /// Header names in lower case.
        QHash<QByteArray, QByteArray> headers;
    };

    explicit LoopbackHttpServer(QObject *parent = nullptr);
    ~LoopbackHttpServer() override;

    /// Starts listening; false when no port could be bound.
    bool listen();
    quint16 port() const;
    /// "http://127.0.0.1:<port>/"
    QString baseUrl() const;

    /// The answer for requests whose decoded path equals `path` (query ignored).
    void setResponse(const QString &path, const Response &response);
    /// The answer for every path without a response of its own; 404 with an empty body
    /// until set.
    void setDefaultResponse(const Response &response);

    QList<Request> requests() const;
    void clearRequests();

signals:
    void requestReceived(const LoopbackHttpServer::Request &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer *server;
    QHash<QString, Response> responses;
    Response defaultResponse;
    QList<Request> recorded;
    QHash<QTcpSocket *, QByteArray> pending;
};
