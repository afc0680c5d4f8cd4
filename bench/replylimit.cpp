// What the 32 MiB limit on welcome replies costs: for each kind of oversized reply, the bytes
// the program received before it gave up, the time from the request to the failure, and the
// peak memory of the process meanwhile. nginx serves files of 40 MiB (length announced) and of
// exactly 32 MiB; a loopback server streams without a length and never ends. Prints figures
// only. Usage: bench_replylimit <content-server.sh>
#include "replybodylimit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int nginxPort = 8797;

// Answers every connection with 200, no length, and a megabyte at a time until it hangs up.
class EndlessServer final : public QTcpServer
{
public:
    EndlessServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            const auto writeMore = [socket] {
                if (socket->bytesToWrite() < (1 << 20))
                    socket->write(QByteArray(1 << 20, 'x'));
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, writeMore);
            writeMore();
        });
    }
};

qint64 statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void measure(QNetworkAccessManager &manager, const char *what, const QString &url)
{
    // Writing 5 to clear_refs starts the peak resident size afresh.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    clearRefs.close();
    QElapsedTimer elapsed;
    elapsed.start();
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url)));
    limitReplyBody(reply);
    qint64 received = 0;
    QObject::connect(reply, &QNetworkReply::downloadProgress,
                     [&received](qint64 bytes) { received = bytes; });
    QEventLoop untilFinished;
    QObject::connect(reply, &QNetworkReply::finished, &untilFinished, &QEventLoop::quit);
    untilFinished.exec();
    std::printf("%-42s %-6s %9.1f %8lld %9lld\n", what, replyFailed(reply) ? "failed" : "taken",
                double(received) / (1 << 20), elapsed.elapsed(), statusKib("VmHWM:") / 1024);
    delete reply;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_replylimit <content-server.sh>\n");
        return 2;
    }
    const QString contentServer = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir root;
    QDir().mkpath(root.filePath(QStringLiteral("qt/welcome")));
    for (const auto &[name, size] : {std::pair{"big.png", 40 << 20}, {"exact.txt", 32 << 20}}) {
        QFile file(root.filePath(QStringLiteral("qt/welcome/") + name));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(size, 'x'));
    }
    const QStringList port{QStringLiteral("--port"), QString::number(nginxPort)};
    if (QProcess::execute(contentServer, QStringList{"start", "--root", root.path()} + port) != 0)
        return 1;
    const EndlessServer endless;

    QNetworkAccessManager manager;
    std::printf("%-42s %-6s %9s %8s %9s\n", "reply", "", "MiB in", "ms", "peak MiB");
    const QString nginx = QStringLiteral("http://127.0.0.1:%1/qt/welcome/").arg(nginxPort);
    measure(manager, "nginx, 40 MiB, length announced", nginx + "big.png");
    measure(manager, "nginx, exactly 32 MiB", nginx + "exact.txt");
    measure(manager, "loopback, no length, never ends",
            QStringLiteral("http://127.0.0.1:%1/endless").arg(endless.serverPort()));
    QProcess::execute(contentServer, QStringList{"stop"} + port);
    return 0;
}
