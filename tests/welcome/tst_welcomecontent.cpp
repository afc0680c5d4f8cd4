#include "welcomepage.h"

#include "logcapture.h"
#include "loopbackhttpserver.h"
#include "serverresponses.h"
#include "temporarysettings.h"
#include "testcontentserver.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

const QString loadingPicture = QStringLiteral("加载图片中...");
const QString loadingText = QStringLiteral("加载文本中...");
const QString pictureFailure = QStringLiteral("无法加载图片");
const QString textFailure = QStringLiteral("无法加载文本内容");
const QString emptyText = QStringLiteral("文本内容为空");
const QString folderPath = QStringLiteral("/qt/welcome/");
const QString listingPath = folderPath + QStringLiteral("index.php");

QByteArray pngBytes(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QLabel *label(const WelcomePage &page, const char *name)
{
    return page.findChild<QLabel *>(QLatin1String(name));
}

QCheckBox *checkBox(const WelcomePage &page)
{
    return page.findChild<QCheckBox *>(QStringLiteral("dontShowAgainCheckBox"));
}

bool contentShown(const WelcomePage &page)
{
    const QLabel *image = label(page, "imageLabel");
    return (image->text() != loadingPicture || !image->pixmap().isNull()) &&
           label(page, "textLabel")->text() != loadingText;
}

qint64 stampOf(const LoopbackHttpServer::Request &request, const QString &key)
{
    if (!request.query.startsWith(key + QLatin1Char('=')))
        return -1;
    bool isNumber = false;
    const qint64 stamp = request.query.mid(key.size() + 1).toLongLong(&isNumber);
    return isNumber ? stamp : -1;
}

} // namespace

class TestWelcomeContent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void requests();
    void choiceOfFiles_data();
    void choiceOfFiles();
    void hostileNamesStayOnTheServer_data();
    void hostileNamesStayOnTheServer();
    void download_data();
    void download();
    void failedListing_data();
    void failedListing();
    void failedListingStillShowsTheFallbackContent();
    void listingAgainstTheStore_data();
    void listingAgainstTheStore();
    void boxTickedBeforeTheFirstListingIsCleared();
    void closedDialogHandlesNothing_data();
    void closedDialogHandlesNothing();
    void millionNames();

private:
    QString folder() const { return server.baseUrl() + folderPath.mid(1); }
    QString downloadLine(const QString &picture, const QString &text) const;
    QString listedLine(const QByteArray &body, const QStringList &saved, const QStringList &current,
                       const QString &verdict) const;
    /// The lines of one dialog from construction until both labels have changed.
    QStringList runDialog();

    TemporarySettings settings;
    LoopbackHttpServer server;
};

void TestWelcomeContent::initTestCase()
{
    QVERIFY2(settings.fileName().startsWith(QDir::tempPath()), qPrintable(settings.fileName()));
    QVERIFY(server.listen());
    setContentServerBaseUrl(server.baseUrl());
}

void TestWelcomeContent::init()
{
    settings.reset();
    server.clearRequests();
    server.setDefaultResponse(answer(404, {}));
    server.setResponse(listingPath, answer(200, R"(["a.png","a.txt"])"));
    server.setResponse(folderPath + "a.png", answer(200, pngBytes({40, 30})));
    server.setResponse(folderPath + "a.txt", answer(200, "hello"));
}

QString TestWelcomeContent::downloadLine(const QString &picture, const QString &text) const
{
    return QStringLiteral("Downloading image: %1 Downloading text: %2 Full image URL: %3 "
                          "Full text URL: %4")
        .arg(debugForm(picture), debugForm(text), debugForm(folder() + picture),
             debugForm(folder() + text));
}

QString TestWelcomeContent::listedLine(const QByteArray &body, const QStringList &saved,
                                       const QStringList &current, const QString &verdict) const
{
    QStringList pictures;
    QStringList texts;
    for (const QString &name : current) {
        if (name.endsWith(".png", Qt::CaseInsensitive))
            pictures.append(name);
        if (name.endsWith(".txt"))
            texts.append(name);
    }
    return QStringLiteral("Received server response, size: %1 bytes Server response: %2 "
                          "Found files: %3 Image files: %4 Text files: %5 Saved file list: %6 "
                          "Current file list: %3 %7")
        .arg(QString::number(body.size()), debugForm(QString::fromUtf8(body)), debugForm(current),
             debugForm(pictures), debugForm(texts), debugForm(saved), verdict);
}

QStringList TestWelcomeContent::runDialog()
{
    LogCapture log;
    const WelcomePage page;
    if (!QTest::qWaitFor([&page] { return contentShown(page); }, 10000))
        return {QStringLiteral("content never shown")};
    return log.lines();
}

void TestWelcomeContent::requests()
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    runDialog();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    const QList<LoopbackHttpServer::Request> sent = server.requests();
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent[0].path, listingPath);
    QCOMPARE(sent[0].headers.value("content-type"), QByteArray("application/json"));
    QCOMPARE(sent[0].headers.value("cache-control"), QByteArray("no-cache"));
    QCOMPARE(sent[1].path, folderPath + "a.png");
    QCOMPARE(sent[2].path, folderPath + "a.txt");
    for (const auto &download : {sent[1], sent[2]}) {
        QCOMPARE(download.method, QByteArray("GET"));
        QVERIFY(!download.headers.contains("content-type"));
        QVERIFY(!download.headers.contains("cache-control"));
    }
    const qint64 listed = stampOf(sent[0], "nocache");
    const qint64 picture = stampOf(sent[1], "t");
    const qint64 text = stampOf(sent[2], "t");
    QVERIFY2(before <= listed && listed <= picture && picture <= text && text <= after,
             qPrintable(QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(before)
                            .arg(listed)
                            .arg(picture)
                            .arg(text)
                            .arg(after)));
}

void TestWelcomeContent::choiceOfFiles_data()
{
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("text");

    QTest::newRow("first of each kind in server order, any letter case")
        << QByteArray(R"(["b.PNG","a.png","notes.TXT","x.txt"])") << "b.PNG"
        << "notes.TXT";
    QTest::newRow("elements without a string name skipped")
        << QByteArray(R"([{"name":1},{"name":"a.jpg"},{"type":"file"},5,"c.txt"])") << "a.jpg"
        << "c.txt";
    QTest::newRow("only the last extension counts, extension alone is no picture")
        << QByteArray(R"(["photo.jpg.bak","png","gif.","image.jpeg.txt"])") << "welcome.png"
        << "image.jpeg.txt";
    QTest::newRow("gif and bmp are pictures, doc is nothing")
        << QByteArray(R"(["a.doc","b.Bmp","c.gif"])") << "b.Bmp"
        << "welcome.txt";
    QTest::newRow("fallback names not preferred")
        << QByteArray(R"(["x.jpeg","welcome.png","welcome.txt","y.txt"])") << "x.jpeg"
        << "welcome.txt";
}

void TestWelcomeContent::choiceOfFiles()
{
    QFETCH(QByteArray, listing);
    QFETCH(QString, picture);
    QFETCH(QString, text);
    server.setResponse(listingPath, answer(200, listing));

    const QStringList lines = runDialog();
    QVERIFY(lines.contains(downloadLine(picture, text)));
    const QList<LoopbackHttpServer::Request> sent = server.requests();
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent[1].path, folderPath + picture);
    QCOMPARE(sent[2].path, folderPath + text);
}

void TestWelcomeContent::hostileNamesStayOnTheServer_data()
{
    // Names go into the address unescaped: '?' and '#' end the path there, and the client
    // resolves dot segments. Whatever the name, the request goes to the same server.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("query"); // a pattern for the whole query; empty: none

    const QString stamp = QStringLiteral("t=\\d+");
    QTest::newRow("spaces") << QStringLiteral("a b.txt") << folderPath + "a b.txt" << stamp;
    QTest::newRow("chinese") << QStringLiteral("欢迎.txt")
                             << folderPath + QStringLiteral("欢迎.txt") << stamp;
    QTest::newRow("parent folder")
        << QStringLiteral("../../secret.txt") << QStringLiteral("/secret.txt") << stamp;
    QTest::newRow("question mark")
        << QStringLiteral("a?b.txt") << folderPath + "a" << QStringLiteral("b\\.txt\\?t=\\d+");
    QTest::newRow("hash") << QStringLiteral("a#b.txt") << folderPath + "a" << QString();
    QTest::newRow("another host in the name")
        << QStringLiteral("//example.org/x.txt") << folderPath + "//example.org/x.txt" << stamp;
}

void TestWelcomeContent::hostileNamesStayOnTheServer()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, query);
    server.setResponse(listingPath, answer(200, "[\"a.png\"," + debugForm(name).toUtf8() + "]"));

    runDialog();
    const QList<LoopbackHttpServer::Request> sent = server.requests();
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent[2].path, path);
    const QRegularExpression expected(QRegularExpression::anchoredPattern(query));
    QVERIFY2(expected.match(sent[2].query).hasMatch(), qPrintable(sent[2].query));
}

void TestWelcomeContent::download_data()
{
    QTest::addColumn<int>("request"); // 1: the picture, 2: the text
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("line");  // %1 stands for the file's address
    QTest::addColumn<QString>("shown"); // for a picture, empty: the 40x30 picture itself

    const QByteArray png = pngBytes({40, 30});
    const auto failed = [](const char *kind, const QString &error) {
        return QStringLiteral("Failed to download %1: \"%2\" URL: \"%3\"").arg(kind, error, "%1");
    };
    const auto notFound = QStringLiteral("Error transferring %1 - server replied: Not Found");
    const auto imageLine = QStringLiteral("Image data size: %1 bytes Image loaded: %2");
    QTest::newRow("png") << 1 << answer(200, png)
                         << imageLine.arg(QString::number(png.size()), "true") << QString();
    QTest::newRow("HTML error page as picture")
        << 1 << answer(200, "<html><body>Not here</body></html>") << imageLine.arg("34", "false")
        << pictureFailure;
    QTest::newRow("truncated png")
        << 1 << answer(200, png.left(png.size() / 2))
        << imageLine.arg(QString::number(png.size() / 2), "false") << pictureFailure;
    QTest::newRow("picture 404") << 1 << answer(404, "<html>404</html>")
                                 << failed("image", notFound) << pictureFailure;
    Response cut = answer(200, png.left(10));
    cut.headers = {{"Content-Length", QByteArray::number(png.size())}};
    QTest::newRow("picture connection cut short")
        << 1 << cut << failed("image", QStringLiteral("Connection closed")) << pictureFailure;
    QTest::newRow("picture over 32 MiB")
        << 1 << answer(200, QByteArray(32 * 1024 * 1024 + 1, 'x'))
        << failed("image", QStringLiteral("Reply body larger than 33554432 bytes"))
        << pictureFailure;
    QTest::newRow("utf-8 text, size in bytes")
        << 2 << answer(200, QStringLiteral("欢迎使用").toUtf8())
        << QStringLiteral("Text data size: 12 bytes") << QStringLiteral("欢迎使用");
    QTest::newRow("empty text") << 2 << answer(200, {}) << QStringLiteral("Text data size: 0 bytes")
                                << emptyText;
    QTest::newRow("one blank") << 2 << answer(200, " ") << QStringLiteral("Text data size: 1 bytes")
                               << QStringLiteral(" ");
    QTest::newRow("markup kept as it is") << 2 << answer(200, "<b>bold</b> & <script>x</script>")
                                          << QStringLiteral("Text data size: 32 bytes")
                                          << QStringLiteral("<b>bold</b> & <script>x</script>");
    QTest::newRow("invalid utf-8 replaced")
        << 2
        << answer(200, "a\xff"
                       "b")
        << QStringLiteral("Text data size: 3 bytes") << QStringLiteral("a\uFFFDb");
    QTest::newRow("text 500")
        << 2 << answer(500, "oops")
        << failed("text",
                  QStringLiteral("Error transferring %1 - server replied: Internal Server Error"))
        << textFailure;
}

void TestWelcomeContent::download()
{
    QFETCH(int, request);
    QFETCH(Response, response);
    QFETCH(QString, line);
    QFETCH(QString, shown);
    server.setResponse(folderPath + (request == 1 ? "a.png" : "a.txt"), response);

    LogCapture log;
    const WelcomePage page;
    QTRY_VERIFY(contentShown(page));
    QTRY_COMPARE(log.lines().size(), 6);
    const QString address = server.baseUrl() + server.requests().at(request).rawTarget.mid(1);
    QVERIFY2(log.lines().contains(QString(line).replace("%1", address)),
             qPrintable(log.lines().join('\n')));

    const QLabel *image = label(page, "imageLabel");
    if (request == 2) {
        QCOMPARE(label(page, "textLabel")->text(), shown);
    } else if (shown.isEmpty()) {
        QCOMPARE(image->pixmap().size(), QSize(40, 30));
        QVERIFY(image->hasScaledContents());
    } else {
        QVERIFY(image->pixmap().isNull());
        QCOMPARE(image->text(), shown);
    }
}

void TestWelcomeContent::failedListing_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("line"); // %1 stands for the listing's address

    const auto invalid = [](const QByteArray &body) {
        return QStringLiteral("Received server response, size: %1 bytes Server response: %2 "
                              "Invalid JSON response from server")
            .arg(body.size())
            .arg(debugForm(QString::fromUtf8(body)));
    };
    QTest::newRow("404") << answer(404, R"(["a.png"])")
                         << QStringLiteral("Failed to list directory: \"Error transferring %1 - "
                                           "server replied: Not Found\"");
    QTest::newRow("closed without answer")
        << withBehaviour(Behaviour::Close)
        << QStringLiteral("Failed to list directory: \"Connection closed\"");
    QTest::newRow("over 32 MiB")
        << answer(200, "[" + QByteArray(32 * 1024 * 1024, ' ') + "]")
        << QStringLiteral("Failed to list directory: \"Reply body larger than 33554432 bytes\"");
    const QList<QByteArray> bodies{R"({"files":["a.png","a.txt"]})", "", "[\"a\xff.png\"]"};
    const QStringList names{"top-level object holding names", "empty body", "invalid utf-8"};
    for (int i = 0; i < bodies.size(); ++i)
        QTest::newRow(qPrintable(names[i])) << answer(200, bodies[i]) << invalid(bodies[i]);
}

void TestWelcomeContent::failedListing()
{
    QFETCH(Response, response);
    QFETCH(QString, line);
    settings.reset({{"ServerFiles", QStringList{"old.png"}}, {"DontShowWelcome", true}});
    const QVariantMap storedBefore = settings.onDisk();
    server.setResponse(listingPath, response);

    LogCapture log;
    const WelcomePage page;
    QTRY_VERIFY(contentShown(page));
    const QString address = server.baseUrl() + server.requests().at(0).rawTarget.mid(1);
    QCOMPARE(log.lines().mid(0, 4), QStringList({"Saved user preference 'dontShow': true",
                                                 "Checking server files at: " + debugForm(folder()),
                                                 downloadLine("welcome.png", "welcome.txt"),
                                                 QString(line).replace("%1", address)}));
    QVERIFY(checkBox(page)->isChecked());
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomeContent::failedListingStillShowsTheFallbackContent()
{
    server.setResponse(listingPath, answer(503, {}));
    server.setResponse(folderPath + "welcome.png", answer(200, pngBytes({8, 8})));
    server.setResponse(folderPath + "welcome.txt", answer(200, "fallback"));

    const WelcomePage page;
    QTRY_VERIFY(contentShown(page));
    QCOMPARE(label(page, "imageLabel")->pixmap().size(), QSize(8, 8));
    QCOMPARE(label(page, "textLabel")->text(), QStringLiteral("fallback"));
}

void TestWelcomeContent::listingAgainstTheStore_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("reset");

    const QString changed = QStringLiteral("Server files have changed!");
    const QString resetting =
        QStringLiteral(" Resetting 'Don't show' preference due to file changes");
    const QString unchanged = QStringLiteral("No changes in server files");
    const auto store = [](const QStringList &files, const QVariant &dontShow) {
        QVariantMap values{{"ServerFiles", files}};
        if (dontShow.isValid())
            values.insert("DontShowWelcome", dontShow);
        return values;
    };

    QTest::newRow("first run, empty array")
        << QVariantMap() << QByteArray("[]") << QStringList() << unchanged << false << false;
    QTest::newRow("first run, names")
        << QVariantMap() << QByteArray(R"(["a.png","a.txt"])") << QStringList{"a.png", "a.txt"}
        << "File count changed. Old: 0 New: 2 " + changed << true << false;
    QTest::newRow("same names in another order")
        << store({"a.txt", "a.png"}, true) << QByteArray(R"(["a.png","a.txt"])")
        << QStringList{"a.png", "a.txt"} << unchanged << false << false;
    QTest::newRow("emptied while ticked")
        << store({"a.png"}, true) << QByteArray("[]") << QStringList()
        << "File count changed. Old: 1 New: 0 " + changed + resetting << true << true;
    QTest::newRow("exchanged while ticked")
        << store({"a.png", "b.txt"}, true) << QByteArray(R"(["a.png","c.txt"])")
        << QStringList{"a.png", "c.txt"}
        << "New file detected: \"c.txt\" File removed: \"b.txt\" " + changed + resetting << true
        << true;
}

void TestWelcomeContent::listingAgainstTheStore()
{
    QFETCH(QVariantMap, before);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, current);
    QFETCH(QString, verdict);
    QFETCH(bool, saved);
    QFETCH(bool, reset);
    settings.reset(before);
    const QVariantMap storedBefore = settings.onDisk();
    const bool ticked = before.value("DontShowWelcome").toBool();
    const QStringList savedList = before.value("ServerFiles").toStringList();
    server.setResponse(listingPath, answer(200, listing));

    LogCapture log;
    auto page = std::make_unique<WelcomePage>();
    QTRY_VERIFY(contentShown(*page));

    // Operations called by the handler write their lines before the handler's own.
    QStringList expected;
    if (ticked)
        expected << "Saved user preference 'dontShow': true";
    expected << "Checking server files at: " + debugForm(folder());
    if (saved)
        expected << "Saved file list to settings: " + debugForm(current);
    if (reset)
        expected << "Saved user preference 'dontShow': false";
    const QStringList pictures =
        current.filter(QRegularExpression("\\.png$", QRegularExpression::CaseInsensitiveOption));
    const QStringList texts = current.filter(QRegularExpression("\\.txt$"));
    const QString picture = pictures.value(0, "welcome.png");
    const QString text = texts.value(0, "welcome.txt");
    expected << downloadLine(picture, text) << listedLine(listing, savedList, current, verdict);
    QCOMPARE(log.lines().mid(0, expected.size()), expected);

    QCOMPARE(checkBox(*page)->isChecked(), ticked && !reset);
    page.reset();
    const QVariantMap after = settings.onDisk();
    if (!saved) {
        QCOMPARE(after, storedBefore);
        return;
    }
    QCOMPARE(after.value("ServerFiles").toStringList(), current);
    QCOMPARE(after.value("DontShowWelcome"),
             reset ? QVariant("false") : storedBefore.value("DontShowWelcome"));
}

void TestWelcomeContent::boxTickedBeforeTheFirstListingIsCleared()
{
    LogCapture log;
    const WelcomePage page;
    QTest::mouseClick(checkBox(page), Qt::LeftButton);
    QVERIFY(checkBox(page)->isChecked());
    QTRY_VERIFY(contentShown(page));
    QVERIFY(!checkBox(page)->isChecked());
    QCOMPARE(settings.onDisk().value("DontShowWelcome").toString(), QStringLiteral("false"));
    QCOMPARE(settings.onDisk().value("ServerFiles").toStringList(),
             QStringList({"a.png", "a.txt"}));
}

void TestWelcomeContent::closedDialogHandlesNothing_data()
{
    QTest::addColumn<bool>("listingArrived");
    QTest::newRow("before the listing") << false;
    QTest::newRow("before the downloads") << true;
}

void TestWelcomeContent::closedDialogHandlesNothing()
{
    QFETCH(bool, listingArrived);
    settings.reset({{"ServerFiles", QStringList{"old.png"}}, {"DontShowWelcome", true}});
    if (!listingArrived)
        server.setResponse(listingPath, withBehaviour(Behaviour::NeverAnswer));
    server.setResponse(folderPath + "a.png", withBehaviour(Behaviour::NeverAnswer));
    server.setResponse(folderPath + "a.txt", withBehaviour(Behaviour::NeverAnswer));

    LogCapture log;
    {
        WelcomePage page;
        QTRY_COMPARE(server.requests().size(), listingArrived ? 3 : 1);
        settings.reset({{"ServerFiles", QStringList{"old.png"}}, {"DontShowWelcome", true}});
        log.clear();
        page.reject();
    }
    const QVariantMap storedBefore = settings.onDisk();
    QTest::qWait(300);
    QCOMPARE(log.lines(), QStringList());
    QCOMPARE(settings.onDisk(), storedBefore);
    QCOMPARE(server.requests().size(), listingArrived ? 3 : 1);
}

void TestWelcomeContent::millionNames()
{
    QByteArray listing = "[\"first.png\"";
    for (int i = 0; i < 1000000; ++i)
        listing += ",\"n" + QByteArray::number(i) + ".txt\"";
    listing += "]";
    server.setResponse(listingPath, answer(200, listing));

    const LogCapture log; // keeps the test log from printing the whole listing
    const WelcomePage page;
    QTRY_VERIFY_WITH_TIMEOUT(contentShown(page), 60000);
    const QList<LoopbackHttpServer::Request> sent = server.requests();
    QCOMPARE(sent[1].path, folderPath + "first.png");
    QCOMPARE(sent[2].path, folderPath + "n0.txt");
    QCOMPARE(settings.onDisk().value("ServerFiles").toStringList().size(), 1000001);
}

QTEST_MAIN(TestWelcomeContent)
#include "tst_welcomecontent.moc"
