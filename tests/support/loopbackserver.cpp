#include "loopbackserver.h"

#include <QTcpSocket>

LoopbackServer::LoopbackServer()
{
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray received = socket->peek(socket->bytesAvailable());
            if (!socket->property("answered").isValid() && received.contains("\r\n\r\n")) {
                socket->setProperty("answered", true);
                answer(socket, received.left(received.indexOf("\r\n\r\n")));
            }
        });
    });
}

QString LoopbackServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
}

void LoopbackServer::answer(QTcpSocket *socket, const QByteArray &head)
{
    const QByteArray target = head.split(' ').value(1);
    requests.append(QString::fromUtf8(head.mid(head.indexOf(' ') + 1)));
    const Response response =
        responses.value(QString::fromUtf8(target.split('?').value(0)), {{}, "404 Not Found"});
    const QByteArray status = "HTTP/1.1 " + response.status + "\r\nConnection: close\r\n";
    if (response.kind == Response::Kind::Answer) {
        socket->write(status + "Content-Length: " + QByteArray::number(response.body.size()) +
                      "\r\n\r\n" + response.body);
        socket->disconnectFromHost();
    } else if (response.kind == Response::Kind::Endless) {
        socket->write(status + "\r\n");
        // A megabyte at a time, as the client takes them, until it hangs up.
        const auto writeMore = [socket] {
            if (socket->bytesToWrite() < (1 << 20))
                socket->write(QByteArray(1 << 20, 'x'));
        };
        connect(socket, &QTcpSocket::bytesWritten, this, writeMore);
        writeMore();
    }
}
