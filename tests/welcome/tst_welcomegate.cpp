#include "welcomepage.h"

#include "logcapture.h"
#include "loopbackhttpserver.h"
#include "serverresponses.h"
#include "temporarysettings.h"
#include "testcontentserver.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace {

const QString listingPath = QStringLiteral("/qt/welcome/index.php");

QVariantMap stored(const QStringList &files, bool dontShow)
{
    return {{QStringLiteral("ServerFiles"), files}, {QStringLiteral("DontShowWelcome"), dontShow}};
}

QString listsLine(const QStringList &saved, const QStringList &current)
{
    return QStringLiteral("Saved file list: ") + debugForm(saved) +
           QStringLiteral(" Current file list: ") + debugForm(current);
}

} // namespace

class TestWelcomeGate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstRunAsksNoServer_data();
    void firstRunAsksNoServer();
    void listingRequest();
    void serverFailureLeavesItToThePreference_data();
    void serverFailureLeavesItToThePreference();
    void refusedConnection();
    void timeOut();
    void unchangedList_data();
    void unchangedList();
    void changedList_data();
    void changedList();
    void redirectIsFollowed();

private:
    TemporarySettings settings;
    LoopbackHttpServer server;
};

void TestWelcomeGate::initTestCase()
{
    QVERIFY2(settings.fileName().startsWith(QDir::tempPath()), qPrintable(settings.fileName()));
    QVERIFY(server.listen());
    setContentServerBaseUrl(server.baseUrl());
}

void TestWelcomeGate::init()
{
    server.clearRequests();
    server.setDefaultResponse(answer(404, {}));
}

void TestWelcomeGate::firstRunAsksNoServer_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::newRow("nothing stored") << QVariantMap();
    QTest::newRow("preference true") << QVariantMap{{QStringLiteral("DontShowWelcome"), true}};
    QTest::newRow("preference false") << QVariantMap{{QStringLiteral("DontShowWelcome"), false}};
}

void TestWelcomeGate::firstRunAsksNoServer()
{
    QFETCH(QVariantMap, before);
    settings.reset(before);
    const QVariantMap storedBefore = settings.onDisk();
    server.setResponse(listingPath, answer(200, R"(["a.png"])"));

    LogCapture log;
    QVERIFY(WelcomePage::shouldShowWelcome());
    QCOMPARE(log.lines(), QStringList({"First run or no saved file list - showing welcome page",
                                       "File names changed, showing welcome page"}));
    QVERIFY(server.requests().isEmpty());
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomeGate::listingRequest()
{
    settings.reset(stored({"a.png"}, false));
    server.setResponse(listingPath, answer(200, R"(["a.png"])"));

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    WelcomePage::shouldShowWelcome();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    QCOMPARE(server.requests().size(), 1);
    const LoopbackHttpServer::Request request = server.requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.path, listingPath);
    QVERIFY2(request.query.startsWith("t="), qPrintable(request.query));
    bool isNumber = false;
    const qint64 stamp = request.query.mid(2).toLongLong(&isNumber);
    QVERIFY(isNumber);
    QVERIFY(stamp >= before && stamp <= after);
    QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
    // What always-network turns into on the wire.
    QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));
    QVERIFY(!request.headers.contains("if-modified-since"));
    QVERIFY(!request.headers.contains("if-none-match"));
}

void TestWelcomeGate::serverFailureLeavesItToThePreference_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("message"); // %1 stands for the address requested

    const QString transfer = QStringLiteral(
        "Failed to check server files: \"Error transferring %1 - server replied: %2\"");
    const QString invalid = QStringLiteral("Invalid JSON response from server");
    const QString tooLarge =
        QStringLiteral("Failed to check server files: \"Reply body larger than 33554432 bytes\"");

    QTest::newRow("404") << answer(404, "<html>gone</html>") << transfer.arg("%1", "Not Found");
    QTest::newRow("500") << answer(500, R"(["a.png"])")
                         << transfer.arg("%1", "Internal Server Error");
    QTest::newRow("top-level object") << answer(200, R"({"files":["b.png"]})") << invalid;
    QTest::newRow("empty body") << answer(200, {}) << invalid;
    QTest::newRow("truncated array") << answer(200, R"(["a.png", "b.)") << invalid;
    QTest::newRow("nested 100000 deep")
        << answer(200, QByteArray(100000, '[') + QByteArray(100000, ']')) << invalid;
    QTest::newRow("body over 32 MiB")
        << answer(200, "[" + QByteArray(32 * 1024 * 1024, ' ') + "]") << tooLarge;
    Response announcedTooLarge = answer(200, "[]");
    announcedTooLarge.headers = {{"Content-Length", "40000000"}};
    QTest::newRow("announced length over 32 MiB") << announcedTooLarge << tooLarge;
    QTest::newRow("closed without answer")
        << withBehaviour(Behaviour::Close)
        << QStringLiteral("Failed to check server files: \"Connection closed\"");
    Response loop = answer(302, {});
    loop.headers = {{"Location", listingPath.toUtf8()}};
    QTest::newRow("redirect loop")
        << loop << QStringLiteral("Failed to check server files: \"Too many redirects\"");
}

void TestWelcomeGate::serverFailureLeavesItToThePreference()
{
    QFETCH(Response, response);
    QFETCH(QString, message);
    settings.reset(stored({"b.png"}, true));
    const QVariantMap storedBefore = settings.onDisk();
    server.setResponse(listingPath, response);

    LogCapture log;
    QVERIFY(!WelcomePage::shouldShowWelcome());
    QVERIFY(!server.requests().isEmpty());
    const QString address = server.baseUrl() + server.requests().first().rawTarget.mid(1);
    QCOMPARE(log.lines(), QStringList({QString(message).replace("%1", address),
                                       "User preference 'dontShow': true"}));
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomeGate::refusedConnection()
{
    QTcpServer closedPort;
    QVERIFY(closedPort.listen(QHostAddress::LocalHost));
    const quint16 port = closedPort.serverPort();
    closedPort.close();
    setContentServerBaseUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    settings.reset(stored({"b.png"}, false));

    LogCapture log;
    const bool due = WelcomePage::shouldShowWelcome();
    setContentServerBaseUrl(server.baseUrl());
    QVERIFY(due);
    QCOMPARE(log.lines(), QStringList({"Failed to check server files: \"Connection refused\"",
                                       "User preference 'dontShow': false"}));
}

void TestWelcomeGate::timeOut()
{
    settings.reset({{QStringLiteral("ServerFiles"), QStringList{"b.png"}}});
    const QVariantMap storedBefore = settings.onDisk();
    // A byte a second: progress must not hold the time-out off.
    server.setResponse(listingPath, withBehaviour(Behaviour::Trickle, answer(200, R"(["a.png"])")));

    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(WelcomePage::shouldShowWelcome());
    const qint64 elapsed = clock.elapsed();
    // The time-out never fires early; a busy machine may make it late.
    QVERIFY2(elapsed >= 5000 && elapsed < 8000, qPrintable(QString::number(elapsed)));
    QCOMPARE(log.lines(), QStringList({"Server check timed out, defaulting to normal behavior",
                                       "User preference 'dontShow': false"}));
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomeGate::unchangedList_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QVariant>("preference"); // invalid: not stored
    QTest::addColumn<bool>("due");

    QTest::newRow("same names, preference absent")
        << QStringList{"a.png", "b.txt"} << QByteArray(R"(["a.png","b.txt"])")
        << QStringList{"a.png", "b.txt"} << QVariant() << true;
    QTest::newRow("other order, preference false")
        << QStringList{"a.png", "b.txt"} << QByteArray(R"([{"name":"b.txt"},"a.png"])")
        << QStringList{"b.txt", "a.png"} << QVariant(false) << true;
    QTest::newRow("other repetition, preference true")
        << QStringList{"a", "a", "b"} << QByteArray(R"(["a","b","b"])")
        << QStringList{"a", "b", "b"} << QVariant(true) << false;
    QTest::newRow("skipped elements do not count")
        << QStringList{"c.txt", ""} << QByteArray(R"([5,true,null,{"x":1},"c.txt",{"name":7}])")
        << QStringList{"c.txt", ""} << QVariant(true) << false;
}

void TestWelcomeGate::unchangedList()
{
    QFETCH(QStringList, saved);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, current);
    QFETCH(QVariant, preference);
    QFETCH(bool, due);
    QVariantMap before = {{QStringLiteral("ServerFiles"), saved}};
    if (preference.isValid())
        before.insert(QStringLiteral("DontShowWelcome"), preference);
    settings.reset(before);
    const QVariantMap storedBefore = settings.onDisk();
    server.setResponse(listingPath, answer(200, listing));

    LogCapture log;
    QCOMPARE(WelcomePage::shouldShowWelcome(), due);
    QCOMPARE(log.lines(), QStringList({listsLine(saved, current),
                                       QStringLiteral("User preference 'dontShow': ") +
                                           (due ? "false" : "true")}));
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomeGate::changedList_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QString>("verdict");

    const QString sizeChanged = QStringLiteral(" File list size changed, showing welcome page");
    QTest::newRow("one more name") << QStringList{"a.png"} << QByteArray(R"(["a.png","b.txt"])")
                                   << QStringList{"a.png", "b.txt"} << sizeChanged;
    QTest::newRow("one name exchanged")
        << QStringList{"a.png", "b.txt"} << QByteArray(R"(["a.png","c.txt"])")
        << QStringList{"a.png", "c.txt"}
        << QStringLiteral(" New file detected: \"c.txt\" File removed: \"b.txt\"");
    QTest::newRow("letter case") << QStringList{"a.png"} << QByteArray(R"(["A.png"])")
                                 << QStringList{"A.png"}
                                 << QStringLiteral(
                                        " New file detected: \"A.png\" File removed: \"a.png\"");
    QTest::newRow("new name among repeats")
        << QStringList{"a", "a"} << QByteArray(R"(["a","b"])") << QStringList{"a", "b"}
        << QStringLiteral(" New file detected: \"b\"");
    QTest::newRow("removed name among repeats")
        << QStringList{"a", "b"} << QByteArray(R"(["a","a"])") << QStringList{"a", "a"}
        << QStringLiteral(" File removed: \"b\"");
    QTest::newRow("hostile names kept as they are")
        << QStringList{"x"}
        << QByteArray(R"(["../../etc/passwd","a?b#c d.png","欢迎.txt","<b>x</b>"])")
        << QStringList{"../../etc/passwd", "a?b#c d.png", QStringLiteral("欢迎.txt"), "<b>x</b>"}
        << sizeChanged;
}

void TestWelcomeGate::changedList()
{
    QFETCH(QStringList, saved);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, current);
    QFETCH(QString, verdict);
    settings.reset(stored(saved, true));
    server.setResponse(listingPath, answer(200, listing));

    LogCapture log;
    QVERIFY(WelcomePage::shouldShowWelcome());
    QCOMPARE(log.lines(), QStringList({listsLine(saved, current) + verdict,
                                       "File names changed, showing welcome page"}));
    const QVariantMap after = settings.onDisk();
    QCOMPARE(after.keys(), QStringList({"DontShowWelcome", "ServerFiles"}));
    QCOMPARE(after.value("ServerFiles").toStringList(), current);
    QCOMPARE(after.value("DontShowWelcome").toBool(), false);
}

void TestWelcomeGate::redirectIsFollowed()
{
    settings.reset(stored({"a.png"}, true));
    Response moved = answer(302, {});
    moved.headers = {{"Location", "/elsewhere/list.json"}};
    server.setResponse(listingPath, moved);
    server.setResponse(QStringLiteral("/elsewhere/list.json"), answer(200, R"(["b.png"])"));

    LogCapture log;
    QVERIFY(WelcomePage::shouldShowWelcome());
    QCOMPARE(log.lines().first(), listsLine({"a.png"}, {"b.png"}) +
                                      " New file detected: \"b.png\" File removed: \"a.png\"");
}

QTEST_GUILESS_MAIN(TestWelcomeGate)
#include "tst_welcomegate.moc"
