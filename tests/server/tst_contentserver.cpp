#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString serverDir = QStringLiteral(CONTENT_SERVER_DIR);
const QString script = serverDir + "/content-server.sh";
const QString usage =
    "content-server: usage: " + script + " start|stop|status [--port N] [--root DIR]\n";

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool copyFolder(const QString &from, const QString &to)
{
    QDirIterator entries(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        const QString target = to + '/' + QDir(from).relativeFilePath(entry.filePath());
        if (entry.isDir() ? !QDir().mkpath(target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

/// The state letter and parent of a process, from /proc; empty when there is no such process.
QStringList processStatus(qint64 pid)
{
    const QByteArray stat = contentOf(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    return QString::fromLatin1(stat.mid(nameEnd + 2)).split(' ').mid(0, 2);
}

QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QStringList pids = QDir("/proc").entryList(QDir::Dirs);
    for (const QString &name : pids) {
        bool isPid = false;
        const qint64 pid = name.toLongLong(&isPid);
        const QStringList status = isPid ? processStatus(pid) : QStringList();
        if (status.size() == 2 && status[1].toLongLong() == parent)
            children.append(pid);
    }
    return children;
}

} // namespace

class TestContentServer final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsTheFolderAsJson();
    void servesFilesWithATimeStamp_data();
    void servesFilesWithATimeStamp();
    void offersOurWelcome();
    void answersOtherPathsWithNotFound_data();
    void answersOtherPathsWithNotFound();
    void startsOnlyOnce();
    void refusesBadRequests_data();
    void refusesBadRequests();
    void reportsABusyPort();
    void stopLeavesNoProcess();

private:
    QTemporaryDir runtime;
    QTemporaryDir root;
    QString welcomeFolder;
    QString port;
    QNetworkAccessManager client;

    Outcome run(const QStringList &arguments);
    std::unique_ptr<QNetworkReply> get(const QString &target, bool asListing = false);
    qint64 masterPid() const;
};

Outcome TestContentServer::run(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    process.setProcessEnvironment(environment);
    process.start(script, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

std::unique_ptr<QNetworkReply> TestContentServer::get(const QString &target, bool asListing)
{
    // Addresses are built as the program builds them: text appended, parsed tolerantly.
    QNetworkRequest request(QUrl("http://127.0.0.1:" + port + "/" + target, QUrl::TolerantMode));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    if (asListing)
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    std::unique_ptr<QNetworkReply> reply(client.get(request));
    if (!reply->isFinished())
        QSignalSpy(reply.get(), &QNetworkReply::finished).wait(10000);
    return reply;
}

qint64 TestContentServer::masterPid() const
{
    const QString pidFile = runtime.path() + "/quorvane-content-server-" + port + "/nginx.pid";
    return contentOf(pidFile).trimmed().toLongLong();
}

void TestContentServer::initTestCase()
{
    QVERIFY(runtime.isValid() && root.isValid());
    QVERIFY(copyFolder(serverDir + "/www", root.path()));
    // Entries that show how the listing is ordered and what it leaves out.
    welcomeFolder = root.path() + "/qt/welcome/";
    QVERIFY(QDir().mkpath(welcomeFolder + "zdir"));
    QVERIFY(writeFile(welcomeFolder + "zdir/inner.txt", "inner"));
    QVERIFY(writeFile(welcomeFolder + ".hidden.txt", "hidden"));
    QVERIFY(writeFile(welcomeFolder + "B.txt", "capital"));
    QVERIFY(writeFile(welcomeFolder + "a b.txt", "blank"));
    QVERIFY(writeFile(welcomeFolder + QString::fromUtf8("说明.txt"), "chinese"));

    const quint16 freshPort = freePort();
    QVERIFY(freshPort != 0);
    port = QString::number(freshPort);
    const Outcome started = run({"start", "--port", port, "--root", root.path()});
    QCOMPARE(started.err, QString());
    QCOMPARE(started.exitCode, 0);
    QVERIFY(masterPid() > 0);
}

void TestContentServer::cleanupTestCase()
{
    run({"stop", "--port", port}); // after a failure midway; a no-op otherwise
}

void TestContentServer::listsTheFolderAsJson()
{
    const auto reply =
        get("qt/welcome/index.php?nocache=" + QString::number(QDateTime::currentMSecsSinceEpoch()),
            true);
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), "application/json");

    const QJsonDocument listing = QJsonDocument::fromJson(reply->readAll());
    QVERIFY(listing.isArray());
    QStringList names;
    QStringList types;
    const QJsonArray entries = listing.array();
    for (const QJsonValue &entry : entries) {
        QVERIFY(entry.isObject());
        QVERIFY(entry["name"].isString());
        names << entry["name"].toString();
        types << entry["type"].toString();
        if (names.last() == "welcome.png")
            QCOMPARE(entry["size"].toInteger(), QFileInfo(welcomeFolder + "welcome.png").size());
    }
    // Folders first, then byte order (capitals before small letters, UTF-8 last); no dotfiles.
    QCOMPARE(names, QStringList({"zdir", "B.txt", "a b.txt", "welcome.png", "welcome.txt",
                                 QString::fromUtf8("说明.txt")}));
    QCOMPARE(types, QStringList({"directory", "file", "file", "file", "file", "file"}));
}

void TestContentServer::servesFilesWithATimeStamp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("contentType");

    QTest::newRow("picture") << "welcome.png"
                             << "image/png";
    QTest::newRow("text in UTF-8") << "welcome.txt"
                                   << "text/plain; charset=utf-8";
    QTest::newRow("Chinese name") << QString::fromUtf8("说明.txt") << "text/plain; charset=utf-8";
}

void TestContentServer::servesFilesWithATimeStamp()
{
    QFETCH(QString, name);
    QFETCH(QString, contentType);

    const auto reply =
        get("qt/welcome/" + name + "?t=" + QString::number(QDateTime::currentMSecsSinceEpoch()));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), contentType);
    QVERIFY(reply->readAll() == contentOf(welcomeFolder + name));
}

void TestContentServer::offersOurWelcome()
{
    const auto picture = get("qt/welcome/welcome.png?t=1");
    const QImage image = QImage::fromData(picture->readAll());
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(400, 300));

    const auto text = get("qt/welcome/welcome.txt?t=2");
    const QByteArray body = text->readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString welcome = utf8.decode(body);
    QVERIFY(!utf8.hasError());
    for (const char *phrase : {"欢迎使用 Quorvane", "X，Y，延时，次数", "「执行」", "「保存」"})
        QVERIFY2(welcome.contains(QString::fromUtf8(phrase)), phrase);
}

void TestContentServer::answersOtherPathsWithNotFound_data()
{
    QTest::addColumn<QString>("target");

    QTest::newRow("file not in the folder") << "qt/welcome/missing.png?t=1";
    QTest::newRow("outside the welcome folder") << "index.html";
    QTest::newRow("listing elsewhere") << "qt/index.php?nocache=1";
}

void TestContentServer::answersOtherPathsWithNotFound()
{
    QFETCH(QString, target);

    const auto reply = get(target);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
}

void TestContentServer::startsOnlyOnce()
{
    const qint64 pid = masterPid();

    const Outcome again = run({"start", "--port", port, "--root", root.path() + "/."});
    QCOMPARE(again.err, QString());
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(masterPid(), pid);

    const Outcome status = run({"status", "--port", port});
    QCOMPARE(status.exitCode, 0);
    QCOMPARE(status.out, QString("running on http://127.0.0.1:%1/ (pid %2)\n").arg(port).arg(pid));
}

void TestContentServer::refusesBadRequests_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    const QString elsewhere = root.path() + "/qt";
    QTest::newRow("unknown command") << QStringList{"restart"} << 2 << usage;
    QTest::newRow("unknown option")
        << QStringList{"stop", "--force"} << 2
        << "content-server: unknown argument '--force'; " + usage.mid(16);
    QTest::newRow("port without value")
        << QStringList{"start", "--port"} << 2 << "content-server: --port needs a value\n";
    QTest::newRow("root without value")
        << QStringList{"start", "--root"} << 2 << "content-server: --root needs a value\n";
    QTest::newRow("port not a number") << QStringList{"status", "--port", "80a"} << 2
                                       << "content-server: port must be 1 to 65535, not '80a'\n";
    QTest::newRow("port too big") << QStringList{"start", "--port", "65536"} << 2
                                  << "content-server: port must be 1 to 65535, not '65536'\n";
    QTest::newRow("missing root folder")
        << QStringList{"start", "--port", port, "--root", root.path() + "/none"} << 1
        << "content-server: no such folder: " + root.path() + "/none\n";
    QVERIFY(QDir().mkpath(root.path() + "/a$b"));
    QTest::newRow("root nginx would misread")
        << QStringList{"start", "--port", port, "--root", root.path() + "/a$b"} << 1
        << "content-server: the root path may not contain \" \\ $ or ;: " + root.path() + "/a$b\n";
    QTest::newRow("another root on the running port")
        << QStringList{"start", "--port", port, "--root", elsewhere} << 1
        << "content-server: already running on port " + port +
               " with another root; stop it "
               "first\n";
}

void TestContentServer::refusesBadRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const qint64 pid = masterPid();

    const Outcome outcome = run(arguments);
    QCOMPARE(outcome.err, error);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(outcome.out, QString());
    QCOMPARE(masterPid(), pid); // the running server is left alone
}

void TestContentServer::reportsABusyPort()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::LocalHost, 0));
    const QString busy = QString::number(squatter.serverPort());

    const Outcome outcome = run({"start", "--port", busy, "--root", root.path()});
    QCOMPARE(outcome.exitCode, 1);
    const QStringList lines = outcome.err.split('\n');
    QCOMPARE(lines.size(), 4); // nginx's two complaints, once each, ours and the final newline
    QCOMPARE(lines[0],
             "nginx: [emerg] bind() to 127.0.0.1:" + busy + " failed (98: Address already in use)");
    QCOMPARE(lines[1], QString("nginx: [emerg] still could not bind()"));
    QCOMPARE(lines[2], "content-server: nginx did not start on port " + busy);
    QCOMPARE(run({"stop", "--port", busy}).exitCode, 0);
}

void TestContentServer::stopLeavesNoProcess()
{
    const qint64 master = masterPid();
    const QList<qint64> workers = childrenOf(master);
    QCOMPARE(workers.size(), 1);

    const Outcome stopped = run({"stop", "--port", port});
    QCOMPARE(stopped.err, QString());
    QCOMPARE(stopped.exitCode, 0);

    for (const qint64 worker : workers)
        QVERIFY(processStatus(worker).isEmpty());
    // The master's parent is init, which may take a moment to reap it.
    QTRY_VERIFY(processStatus(master).value(0, "Z") == "Z");
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port.toUShort());
    QVERIFY(!probe.waitForConnected(5000));
    QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);
    QVERIFY(!QFileInfo::exists(runtime.path() + "/quorvane-content-server-" + port));

    const Outcome again = run({"stop", "--port", port});
    QCOMPARE(again.err, QString());
    QCOMPARE(again.exitCode, 0);
    const Outcome status = run({"status", "--port", port});
    QCOMPARE(status.exitCode, 3);
    QCOMPARE(status.out, "not running on port " + port + "\n");
}

QTEST_GUILESS_MAIN(TestContentServer)
#include "tst_contentserver.moc"
