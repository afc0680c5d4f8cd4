#pragma once

#include <QHash>
#include <QStringList>
#include <QTcpServer>

/// An HTTP server on 127.0.0.1 and a free port that answers each path as told, for content
/// servers that misbehave on demand. One request per connection; other paths get 404.
class LoopbackServer final : public QObject
{
public:
    struct Response
    {
        enum class Kind { Answer, Silent, Endless }; ///< Endless: 200, no length, bytes forever
        QByteArray body;
        QByteArray status = "200 OK";
        Kind kind = Kind::Answer;
    };

    LoopbackServer();
    QString baseUrl() const; ///< "http://127.0.0.1:<port>/"
    void serve(const QString &path, const Response &response) { responses.insert(path, response); }

    QStringList requests; ///< each request's target and headers, oldest first

private:
    void answer(QTcpSocket *socket, const QByteArray &head);

    QTcpServer server;
    QHash<QString, Response> responses;
};
