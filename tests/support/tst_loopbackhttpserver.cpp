#include "loopbackhttpserver.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using Behaviour = LoopbackHttpServer::Behaviour;
using Response = LoopbackHttpServer::Response;

Q_DECLARE_METATYPE(LoopbackHttpServer::Response)

namespace {

constexpr int waitMs = 10000;

Response response(int status, const QByteArray &body, Behaviour behaviour = Behaviour::Answer)
{
    Response r;
    r.status = status;
    r.body = body;
    r.behaviour = behaviour;
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
    void recordsRequests_data();
    void recordsRequests();
    void rejectsMalformedRequests_data();
    void rejectsMalformedRequests();
    void closesWithoutAnswer();
    void neverAnswersButServesOthers();
    void tricklesOneBytePerInterval();
    void survivesClientsThatHangUpEarly_data();
    void survivesClientsThatHangUpEarly();
    void servesBigBodies();
    void servesConcurrentRequests();

private:
    std::unique_ptr<LoopbackHttpServer> server;
    std::unique_ptr<QNetworkAccessManager> client;

    QNetworkReply *get(const QString &target) { return client->get(QNetworkRequest(url(target))); }
    QUrl url(const QString &target) const { return QUrl(server->baseUrl() + target); }
};

void TestLoopbackHttpServer::init()
{
    server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(server->listen());
    QVERIFY(server->port() != 0);
    QCOMPARE(server->baseUrl(), QStringLiteral("http://127.0.0.1:%1/").arg(server->port()));
    client = std::make_unique<QNetworkAccessManager>();
}

void TestLoopbackHttpServer::writesTheAnswerOnTheWire_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("status, length, close and body")
        << response(200, "hi")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n"
                      "Connection: close\r\n\r\nhi");
    Response typed = response(201, "{}");
    typed.headers = {{"Content-Type", "application/json"}, {"X-Two", "2"}};
    QTest::newRow("extra headers in their order before the added ones")
        << typed
        << QByteArray("HTTP/1.1 201 Created\r\nContent-Type: application/json\r\n"
                      "X-Two: 2\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
    Response ownLength = response(200, "hi");
    ownLength.headers = {{"content-length", "1"}, {"CONNECTION", "keep-alive"}};
    QTest::newRow("given length and connection are not repeated")
        << ownLength
        << QByteArray("HTTP/1.1 200 OK\r\ncontent-length: 1\r\n"
                      "CONNECTION: keep-alive\r\n\r\nhi");
    QTest::newRow("error status with its reason")
        << response(503, "")
        << QByteArray("HTTP/1.1 503 Service Unavailable\r\n"
                      "Content-Length: 0\r\nConnection: close\r\n\r\n");
    QTest::newRow("status without a known reason")
        << response(299, "")
        << QByteArray("HTTP/1.1 299 Unknown Status\r\n"
                      "Content-Length: 0\r\nConnection: close\r\n\r\n");
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
    QTest::addColumn<QString>("errorText");

    QTest::newRow("path with its own answer")
        << "qt/welcome/a.txt" << 200 << QByteArray("text") << int(QNetworkReply::NoError) << "";
    QTest::newRow("query does not select the answer")
        << "qt/welcome/a.txt?t=1" << 200 << QByteArray("text") << int(QNetworkReply::NoError) << "";
    QTest::newRow("percent-encoded path matches the decoded one")
        << "qt/welcome/%E6%AC%A2%20b.png" << 200 << QByteArray("png") << int(QNetworkReply::NoError)
        << "";
    QTest::newRow("other path gets the empty 404")
        << "qt/welcome/missing.png" << 404 << QByteArray()
        << int(QNetworkReply::ContentNotFoundError) << "server replied: Not Found";
    QTest::newRow("server error status")
        << "broken" << 500 << QByteArray("oops") << int(QNetworkReply::InternalServerError)
        << "server replied: Internal Server Error";
}

void TestLoopbackHttpServer::answersQtClientsByPath()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, error);
    QFETCH(QString, errorText);
    server->setResponse("/qt/welcome/a.txt", response(200, "text"));
    server->setResponse(QString::fromUtf8("/qt/welcome/欢 b.png"), response(200, "png"));
    server->setResponse("/broken", response(500, "oops"));

    std::unique_ptr<QNetworkReply> reply(get(target));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    QCOMPARE(int(reply->error()), error);
    QVERIFY2(reply->errorString().endsWith(errorText), qPrintable(reply->errorString()));
    QCOMPARE(reply->readAll(), body);
}

void TestLoopbackHttpServer::recordsRequests_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("rawTarget");

    QTest::newRow("listing with time stamp")
        << "qt/welcome/index.php?nocache=1700000000123"
        << "/qt/welcome/index.php"
        << "nocache=1700000000123" << QByteArray("/qt/welcome/index.php?nocache=1700000000123");
    QTest::newRow("no query") << "qt/welcome/welcome.png"
                              << "/qt/welcome/welcome.png"
                              << "" << QByteArray("/qt/welcome/welcome.png");
    QTest::newRow("encoded name decoded in the path only")
        << "qt/welcome/a%20b%E6%AC%A2.txt?t=5&x=%20" << QString::fromUtf8("/qt/welcome/a b欢.txt")
        << "t=5&x=%20" << QByteArray("/qt/welcome/a%20b%E6%AC%A2.txt?t=5&x=%20");
}

void TestLoopbackHttpServer::recordsRequests()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFETCH(QString, query);
    QFETCH(QByteArray, rawTarget);
    QSignalSpy received(server.get(), &LoopbackHttpServer::requestReceived);

    QNetworkRequest request(url(target));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    request.setRawHeader("X-Repeated", "one");
    std::unique_ptr<QNetworkReply> reply(client->get(request));
    QVERIFY(finishes(reply.get()));

    QCOMPARE(server->requests().size(), 1);
    QCOMPARE(received.size(), 1);
    const auto recorded = server->requests().first();
    const auto signalled = received.first().first().value<LoopbackHttpServer::Request>();
    for (const auto &r : {recorded, signalled}) {
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.path, path);
        QCOMPARE(r.query, query);
        QCOMPARE(r.rawTarget, rawTarget);
        QCOMPARE(r.headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(r.headers.value("x-repeated"), QByteArray("one"));
        QCOMPARE(r.headers.value("host"), "127.0.0.1:" + QByteArray::number(server->port()));
        QVERIFY(!r.headers.contains("Content-Type"));
    }

    server->clearRequests();
    QVERIFY(server->requests().isEmpty());
}

void TestLoopbackHttpServer::rejectsMalformedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray badRequest =
        "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    QTest::newRow("request line without version") << QByteArray("GET /\r\n\r\n") << badRequest;
    QTest::newRow("absolute target")
        << QByteArray("GET http://127.0.0.1/ HTTP/1.1\r\n\r\n") << badRequest;
    QTest::newRow("other protocol version") << QByteArray("GET / HTTP/2\r\n\r\n") << badRequest;
    QTest::newRow("header line without colon")
        << QByteArray("GET / HTTP/1.1\r\nHost 127.0.0.1\r\n\r\n") << badRequest;
    QTest::newRow("header line without name")
        << QByteArray("GET / HTTP/1.1\r\n: value\r\n\r\n") << badRequest;
    QTest::newRow("head that never ends")
        << QByteArray("GET / HTTP/1.1\r\nX-Filler: ").append(64 * 1024, 'a')
        << QByteArray("HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\n"
                      "Connection: close\r\n\r\n");
}

void TestLoopbackHttpServer::rejectsMalformedRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    server->setDefaultResponse(response(200, "should not be sent"));
    QSignalSpy received(server.get(), &LoopbackHttpServer::requestReceived);

    QCOMPARE(exchange(server->port(), request), expected);
    QVERIFY(server->requests().isEmpty());
    QCOMPARE(received.size(), 0);
}

void TestLoopbackHttpServer::closesWithoutAnswer()
{
    server->setResponse("/gone", response(200, "never sent", Behaviour::Close));

    QCOMPARE(exchange(server->port(), "GET /gone HTTP/1.1\r\n\r\n"), QByteArray());

    std::unique_ptr<QNetworkReply> reply(get("gone"));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->error(), QNetworkReply::RemoteHostClosedError);
    QCOMPARE(reply->readAll(), QByteArray());
    QVERIFY(server->requests().size() >= 2); // Qt may retry on a connection closed at once
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
    QCOMPARE(server->requests().size(), 2);
}

void TestLoopbackHttpServer::tricklesOneBytePerInterval()
{
    Response slow = response(200, "abcdef", Behaviour::Trickle);
    slow.trickleIntervalMs = 10;
    server->setResponse("/slow", slow);
    const int responseBytes = 63; // status line, two added headers, blank line and body

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(exchange(server->port(), "GET /slow HTTP/1.1\r\n\r\n").size(), responseBytes);
    QVERIFY2(clock.elapsed() >= responseBytes * slow.trickleIntervalMs,
             qPrintable(QString::number(clock.elapsed())));

    std::unique_ptr<QNetworkReply> reply(get("slow"));
    QVERIFY(finishes(reply.get()));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), QByteArray("abcdef"));
}

void TestLoopbackHttpServer::survivesClientsThatHangUpEarly_data()
{
    QTest::addColumn<Response>("answer");

    QTest::newRow("never answering") << response(200, "x", Behaviour::NeverAnswer);
    Response slow = response(200, "abcdef", Behaviour::Trickle);
    slow.trickleIntervalMs = 5;
    QTest::newRow("trickling") << slow;
    QTest::newRow("big answer") << response(200, QByteArray(8 * 1024 * 1024, 'b'));
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
    QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(), body.size());
    QVERIFY(reply->readAll() == body);
}

void TestLoopbackHttpServer::servesConcurrentRequests()
{
    constexpr int count = 12; // more than Qt's six connections per host
    server->setResponse("/silent", response(200, "", Behaviour::NeverAnswer));
    std::unique_ptr<QNetworkReply> silent(get("silent"));
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("/file%1").arg(i);
        server->setResponse(path, response(200, QByteArray(100000 + i, char('a' + i))));
        replies.emplace_back(get(path.mid(1)));
    }

    for (int i = 0; i < count; ++i) {
        QVERIFY(finishes(replies[i].get()));
        QCOMPARE(replies[i]->error(), QNetworkReply::NoError);
        QVERIFY(replies[i]->readAll() == QByteArray(100000 + i, char('a' + i)));
    }
    QCOMPARE(server->requests().size(), count + 1);
    QVERIFY(!silent->isFinished());
}

QTEST_GUILESS_MAIN(TestLoopbackHttpServer)
#include "tst_loopbackhttpserver.moc"
