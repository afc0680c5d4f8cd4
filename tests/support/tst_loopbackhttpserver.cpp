#include "loopbackhttpserver.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using Behaviour = LoopbackHttpServer::Behaviour;
using Response = LoopbackHttpServer::Response;

Q_DECLARE_METATYPE(LoopbackHttpServer::Response)

namespace {

constexpr int waitMs = 10000;

Response response(int status, const QByteArray &body, Behaviour behaviour = Behaviour::Answer,
                  int trickleIntervalMs = 1000)
{
    Response r;
    r.status = status;
    r.body = body;
    r.behaviour = behaviour;
    r.trickleIntervalMs = trickleIntervalMs;
    return r;
}

/// Sends `request` over a plain socket and returns every byte the server wrote before closing.
QByteArray exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    QSignalSpy connected(&socket, &QTcpSocket::connected);
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!connected.wait(waitMs))
        return "<not connected>";
    socket.write(request);
    if (!closed.wait(waitMs))
        return "<not closed>";
    return answer + socket.readAll();
}

bool finishes(QNetworkReply *reply, int timeoutMs = waitMs)
{
    return reply->isFinished() || QSignalSpy(reply, &QNetworkReply::finished).wait(timeoutMs);
}

} // namespace

class TestLoopbackHttpServer final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writesTheAnswerOnTheWire_data();
    void writesTheAnswerOnTheWire();
    void answersQtClientsByPath_data();
    void answersQtClientsByPath();
    void recordsRequests();
    void closesWithoutAnswer();
    void neverAnswersButServesOthers();
    void tricklesOneBytePerInterval();
    void survivesClientsThatHangUpEarly_data();
    void survivesClientsThatHangUpEarly();
    void servesBigBodies();

private:
    std::unique_ptr<LoopbackHttpServer> server;
    std::unique_ptr<QNetworkAccessManager> client;

    QNetworkReply *get(const QString &target)
    {
        return client->get(QNetworkRequest(QUrl(server->baseUrl() + target)));
    }
};

void TestLoopbackHttpServer::init()
{
    server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(server->listen());
    QCOMPARE(server->baseUrl(), QStringLiteral("http://127.0.0.1:%1/").arg(server->port()));
    client = std::make_unique<QNetworkAccessManager>();
}

void TestLoopbackHttpServer::writesTheAnswerOnTheWire_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("status, length, close and body")
        << response(200, "hi")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi");
    Response typed = response(503, "{}");
    typed.headers = {{"Content-Type", "application/json"}, {"content-length", "1"}};
    QTest::newRow("extra headers in order, given length not repeated")
        << typed
        << QByteArray("HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
                      "content-length: 1\r\nConnection: close\r\n\r\n{}");
}

void TestLoopbackHttpServer::writesTheAnswerOnTheWire()
{
    QFETCH(Response, answer);
    QFETCH(QByteArray, expected);
    server->setResponse("/file", answer);

    QCOMPARE(exchange(server->port(), "GET /file HTTP/1.1\r\nHost: x\r\n\r\n"), expected);
}

void TestLoopbackHttpServer::answersQtClientsByPath_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("error");

    QTest::newRow("query does not select the answer")
        << "qt/welcome/a.txt?t=1" << 200 << QByteArray("text") << int(QNetworkReply::NoError);
    QTest::newRow("percent-encoded path matches the decoded one")
        << "qt/welcome/%E6%AC%A2%20b.png" << 200 << QByteArray("png")
        << int(QNetworkReply::NoError);
    QTest::newRow("other path gets the empty 404")
        << "qt/welcome/missing.png" << 404 << QByteArray()
        << int(QNetworkReply::ContentNotFoundError);
    QTest::newRow("server error status")
        << "broken" << 500 << QByteArray("oops") << int(QNetworkReply::InternalServerError);
}

void TestLoopbackHttpServer::answersQtClientsByPath()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, error);
    server->setResponse("/qt/welcome/a.txt", response(200, "text"));
    server->setResponse(QString::fromUtf8("/qt/welcome/欢 b.png"), response(200, "png"));
    server->setResponse("/broken", response(500, "oops"));

    std::unique_ptr<QNetworkReply> reply(get(target));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    QCOMPARE(int(reply->error()), error);
    QCOMPARE(reply->readAll(), body);
}

void TestLoopbackHttpServer::recordsRequests()
{
    QSignalSpy received(server.get(), &LoopbackHttpServer::requestReceived);
    QNetworkRequest request(QUrl(server->baseUrl() + "qt/welcome/a%20b%E6%AC%A2.txt?t=5&x=%20"));
    request.setRawHeader("X-Repeated", "one");
    std::unique_ptr<QNetworkReply> reply(client->get(request));
    QVERIFY(finishes(reply.get()));

    QCOMPARE(server->requests().size(), 1);
    QCOMPARE(received.size(), 1);
    const auto signalled = received.first().first().value<LoopbackHttpServer::Request>();
    for (const auto &r : {server->requests().first(), signalled}) {
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.path, QString::fromUtf8("/qt/welcome/a b欢.txt"));
        QCOMPARE(r.query, QStringLiteral("t=5&x=%20"));
        QCOMPARE(r.rawTarget, QByteArray("/qt/welcome/a%20b%E6%AC%A2.txt?t=5&x=%20"));
        QCOMPARE(r.headers.value("x-repeated"), QByteArray("one"));
        QCOMPARE(r.headers.value("host"), "127.0.0.1:" + QByteArray::number(server->port()));
    }

    server->clearRequests();
    QVERIFY(server->requests().isEmpty());
}

void TestLoopbackHttpServer::closesWithoutAnswer()
{
    server->setResponse("/gone", response(200, "never sent", Behaviour::Close));

    std::unique_ptr<QNetworkReply> reply(get("gone"));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->error(), QNetworkReply::RemoteHostClosedError);
    QCOMPARE(reply->readAll(), QByteArray());
}

void TestLoopbackHttpServer::neverAnswersButServesOthers()
{
    server->setResponse("/silent", response(200, "never sent", Behaviour::NeverAnswer));
    server->setResponse("/other", response(200, "other"));
    QSignalSpy received(server.get(), &LoopbackHttpServer::requestReceived);

    std::unique_ptr<QNetworkReply> silent(get("silent"));
    QVERIFY(received.wait(waitMs));
    std::unique_ptr<QNetworkReply> other(get("other"));
    QVERIFY(finishes(other.get()));
    QCOMPARE(other->readAll(), QByteArray("other"));

    QVERIFY(!finishes(silent.get(), 300));
    QCOMPARE(silent->bytesAvailable(), 0);
}

void TestLoopbackHttpServer::tricklesOneBytePerInterval()
{
    const Response slow = response(200, "abcdef", Behaviour::Trickle, 10);
    server->setResponse("/slow", slow);
    const int responseBytes = 63; // status line, two added headers, blank line and body

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(exchange(server->port(), "GET /slow HTTP/1.1\r\n\r\n").size(), responseBytes);
    QVERIFY2(clock.elapsed() >= responseBytes * slow.trickleIntervalMs,
             qPrintable(QString::number(clock.elapsed())));
}

void TestLoopbackHttpServer::survivesClientsThatHangUpEarly_data()
{
    QTest::addColumn<Response>("answer");

    QTest::newRow("never answering") << response(200, "x", Behaviour::NeverAnswer);
    QTest::newRow("trickling") << response(200, "abcdef", Behaviour::Trickle, 5);
}

void TestLoopbackHttpServer::survivesClientsThatHangUpEarly()
{
    QFETCH(Response, answer);
    server->setResponse("/first", answer);
    server->setResponse("/next", response(200, "next"));
    QSignalSpy received(server.get(), &LoopbackHttpServer::requestReceived);

    std::unique_ptr<QNetworkReply> first(get("first"));
    QVERIFY(received.wait(waitMs));
    first->abort();
    QTest::qWait(50); // lets the server see the hang-up and, trickling, write into it

    std::unique_ptr<QNetworkReply> next(get("next"));
    QVERIFY(finishes(next.get()));
    QCOMPARE(next->readAll(), QByteArray("next"));
}

void TestLoopbackHttpServer::servesBigBodies()
{
    QByteArray body;
    for (int i = 0; body.size() < 5 * 1024 * 1024; ++i)
        body += QByteArray::number(i) + ',';
    server->setResponse("/big", response(200, body));

    std::unique_ptr<QNetworkReply> reply(get("big"));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QVERIFY(reply->readAll() == body);
}

QTEST_GUILESS_MAIN(TestLoopbackHttpServer)
#include "tst_loopbackhttpserver.moc"
