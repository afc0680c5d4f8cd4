#include "logcapture.h"
#include "loopbackserver.h"
#include "welcomepage.h"

#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

using Response = LoopbackServer::Response;

namespace {

LoopbackServer *server = nullptr;
QString baseUrl; // the server's, or one where nothing listens

// Every pattern must match a line; * stands for any text (ports, time stamps, error texts).
void verifyLines(const QStringList &lines, const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        const QRegularExpression expression(
            QRegularExpression::anchoredPattern(
                QRegularExpression::escape(pattern).replace("\\*", ".*")),
            QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(lines.indexOf(expression) >= 0,
                 qPrintable(pattern + " not in\n" + lines.join('\n')));
    }
}

QByteArray listing(const QStringList &names)
{
    return "[\"" + names.join("\",\"").toUtf8() + "\"]";
}

QByteArray png()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return bytes;
}

// The settings before a row: absent keys are invalid variants.
void store(const QVariant &serverFiles, const QVariant &dontShow)
{
    QSettings settings;
    settings.clear();
    if (serverFiles.isValid())
        settings.setValue(QStringLiteral("ServerFiles"), serverFiles);
    if (dontShow.isValid())
        settings.setValue(QStringLiteral("DontShowWelcome"), dontShow);
}

QString stored(const char *key)
{
    const QVariant value = QSettings().value(QLatin1String(key));
    if (!value.isValid())
        return QStringLiteral("absent");
    return qstrcmp(key, "ServerFiles") == 0 ? value.toStringList().join('|') : value.toString();
}

} // namespace

QString contentServerBaseUrl()
{
    return baseUrl;
}

class TestWelcome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void gate_data();
    void gate();
    void dialog_data();
    void dialog();
    void outsidePicturesAreNeverRead();

private:
    QTemporaryDir settingsFolder;
};

void TestWelcome::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("YourCompany"));
    QCoreApplication::setApplicationName(QStringLiteral("YourApp"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
}

void TestWelcome::init()
{
    delete server;
    server = new LoopbackServer;
    baseUrl = server->baseUrl();
    const QString folder = QStringLiteral("/qt/welcome/");
    for (const char *picture : {"a.png", "b.PNG", "welcome.png"})
        server->serve(folder + picture, {png()});
    server->serve(folder + "page.png", {"<html>404</html>"});
    server->serve(folder + "big.gif", {{}, "200 OK", Response::Kind::Endless});
    server->serve(folder + "news.TXT", {"今日"});
    server->serve(folder + "empty.txt", {});
    server->serve(folder + "welcome.txt", {" "});
}

void TestWelcome::gate_data()
{
    QTest::addColumn<QVariant>("serverFiles"); // stored before; invalid: absent
    QTest::addColumn<QVariant>("dontShow");
    QTest::addColumn<Response>("listing"); // an empty status: nothing listens
    QTest::addColumn<bool>("due");
    QTest::addColumn<QString>("storedAfter"); // "<ServerFiles> <DontShowWelcome>"
    QTest::addColumn<QStringList>("lines");
    const QVariant absent, none = QStringList(), yes = true;
    const QString changed = QStringLiteral("File names changed, showing welcome page");
    const QString prefer = QStringLiteral("User preference 'dontShow': ");
    const QString grown = QStringLiteral(" File list size changed, showing welcome page");

    QTest::newRow("first run asks nothing")
        << absent << absent << Response{listing({"a.png"})} << true << "absent absent"
        << QStringList{"First run or no saved file list - showing welcome page", changed};
    QTest::newRow("opted out without a list, nothing listens")
        << absent << yes << Response{{}, {}} << false << "absent true"
        << QStringList{"Failed to check server files: \"Connection refused\"", prefer + "true"};
    QTest::newRow("opted out without a list, the server offers files")
        << absent << yes << Response{listing({"a.png", "b.txt"})} << true << "a.png|b.txt false"
        << QStringList{"Saved file list: QList() Current file list: QList(\"a.png\", \"b.txt\")" +
                           grown,
                       changed};
    QTest::newRow("top level not an array")
        << none << absent << Response{"{\"files\":[\"a.png\"]}"} << true << " absent"
        << QStringList{"Invalid JSON response from server", prefer + "false"};
    QTest::newRow("order and repetition are no change")
        << QVariant(QStringList{"a", "a", "b"}) << yes << Response{listing({"a", "b", "b"})}
        << false << "a|a|b true"
        << QStringList{
               "Saved file list: QList(\"a\", \"a\", \"b\") Current file list: QList(\"a\", "
               "\"b\", \"b\")",
               prefer + "true"};
    QTest::newRow("letter case is a change")
        << QVariant(QStringList{"a.png"}) << yes << Response{listing({"A.png"})} << true
        << "A.png false"
        << QStringList{"Saved file list: QList(\"a.png\") Current file list: QList(\"A.png\") New "
                       "file detected: \"A.png\" File removed: \"a.png\"",
                       changed};
    QTest::newRow("elements that give names")
        << none << absent
        << Response{"[{\"name\":\"a.jpg\"},{\"size\":1},5,\"c.txt\",{\"name\":7},true,null,[\"d\"]"
                    "]"}
        << true << "a.jpg|c.txt| false"
        << QStringList{
               "Saved file list: QList() Current file list: QList(\"a.jpg\", \"c.txt\", \"\")" +
                   grown,
               changed};
    QTest::newRow("body over 32 MiB fails at once")
        << none << absent << Response{{}, "200 OK", Response::Kind::Endless} << true << " absent"
        << QStringList{"Failed to check server files: \"Reply body larger than 33554432 bytes\"",
                       prefer + "false"};
    QTest::newRow("no answer in 5000 ms")
        << none << QVariant(false) << Response{{}, "200 OK", Response::Kind::Silent} << true
        << " false"
        << QStringList{"Server check timed out, defaulting to normal behavior", prefer + "false"};
}

void TestWelcome::gate()
{
    QFETCH(QVariant, serverFiles);
    QFETCH(QVariant, dontShow);
    QFETCH(Response, listing);
    QFETCH(QStringList, lines);
    store(serverFiles, dontShow);
    if (listing.status.isEmpty())
        baseUrl = QStringLiteral("http://127.0.0.1:1/");
    server->serve(QStringLiteral("/qt/welcome/index.php"), listing);
    const LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();

    QTEST(WelcomePage::shouldShowWelcome(), "due");

    const bool silent = listing.kind == Response::Kind::Silent;
    QVERIFY2(silent ? elapsed.elapsed() >= 5000 : elapsed.elapsed() < 4000,
             qPrintable(QString::number(elapsed.elapsed())));
    QTEST(stored("ServerFiles") + ' ' + stored("DontShowWelcome"), "storedAfter");
    QCOMPARE(log.lines().size(), lines.size());
    verifyLines(log.lines(), lines);
    const bool asked = (serverFiles.isValid() || dontShow.toBool()) && !listing.status.isEmpty();
    QCOMPARE(server->requests.size(), asked ? 1 : 0);
    if (asked)
        verifyLines(server->requests,
                    {"/qt/welcome/index.php?t=* HTTP/1.1*Content-Type: application/json*",
                     "*Cache-Control: no-cache*"});
}

void TestWelcome::dialog_data()
{
    QTest::addColumn<QVariant>("serverFiles");
    QTest::addColumn<QVariant>("dontShow");
    QTest::addColumn<bool>("tickAtOnce");
    QTest::addColumn<QByteArray>("listing"); // empty: 404
    QTest::addColumn<QStringList>("requested");
    QTest::addColumn<QString>("labels"); // "<picture label> | <text label>"; "" for the picture
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QStringList>("lines"); // among those written
    const QVariant absent, yes = true;
    const QStringList fallbacks{"welcome.png", "welcome.txt"};

    QTest::newRow("first picture and text in server order, any case")
        << absent << absent << false << listing({"b.PNG", "a.png", "news.TXT", "x.txt"})
        << QStringList{"b.PNG", "news.TXT"} << " | 今日"
        << "b.PNG|a.png|news.TXT|x.txt absent"
        << QStringList{
               "Saved file list to settings: QList(\"b.PNG\", \"a.png\", \"news.TXT\", \"x.txt\")",
               "Image data size: * bytes Image loaded: true", "Text data size: 6 bytes"};
    QTest::newRow("a tick before a changed listing is taken back")
        << absent << absent << true << listing({"a.png"}) << QStringList{"a.png", "welcome.txt"}
        << " |  "
        << "a.png false"
        << QStringList{
               "Saved user preference 'dontShow': true", "Saved user preference 'dontShow': false",
               "*Server files have changed! Resetting 'Don't show' preference due to file changes"};
    QTest::newRow("an unchanged list keeps the tick")
        << QVariant(QStringList{"a.png"}) << yes << false << listing({"a.png"})
        << QStringList{"a.png", "welcome.txt"} << " |  "
        << "a.png true" << QStringList{"*No changes in server files"};
    QTest::newRow("failed listing falls back")
        << absent << absent << false << QByteArray() << fallbacks << " |  "
        << "absent absent" << QStringList{"Failed to list directory: \"*\""};
    QTest::newRow("invalid listing falls back")
        << absent << absent << false << QByteArray("{}") << fallbacks << " |  "
        << "absent absent"
        << QStringList{"*Server response: \"{}\" Invalid JSON response from server"};
    QTest::newRow("undecodable picture, empty text")
        << absent << absent << false << listing({"page.png", "empty.txt"})
        << QStringList{"page.png", "empty.txt"} << "无法加载图片 | 文本内容为空"
        << "page.png|empty.txt absent" << QStringList{"*Image loaded: false"};
    QTest::newRow("text that cannot be had, picture over 32 MiB")
        << absent << absent << false << listing({"big.gif", "gone.txt"})
        << QStringList{"big.gif", "gone.txt"} << "无法加载图片 | 无法加载文本内容"
        << "big.gif|gone.txt absent"
        << QStringList{"Failed to download image: \"Reply body larger than 33554432 bytes\" URL: "
                       "\"http://*/qt/welcome/big.gif?t=*\"",
                       "Failed to download text: \"*\" URL: \"http://*/qt/welcome/gone.txt?t=*\""};
}

void TestWelcome::dialog()
{
    QFETCH(QVariant, serverFiles);
    QFETCH(QVariant, dontShow);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, requested);
    QFETCH(QStringList, lines);
    store(serverFiles, dontShow);
    if (!listing.isEmpty())
        server->serve(QStringLiteral("/qt/welcome/index.php"), {listing});
    const LogCapture log;

    WelcomePage page;
    page.show();
    auto *picture = page.findChild<QLabel *>(QStringLiteral("imageLabel"));
    auto *text = page.findChild<QLabel *>(QStringLiteral("textLabel"));
    auto *box = page.findChild<QCheckBox *>(QStringLiteral("dontShowAgainCheckBox"));
    const auto labels = [&] { return picture->text() + " | " + text->text(); };
    const auto loading = [&] { return labels().contains(QStringLiteral("中...")); };
    QCOMPARE(labels(), QStringLiteral("加载图片中... | 加载文本中..."));
    QFETCH(bool, tickAtOnce);
    if (tickAtOnce)
        box->click();
    QTRY_VERIFY_WITH_TIMEOUT(server->requests.size() == 3 && !loading(), 10000);

    QTEST(labels(), "labels");
    QCOMPARE(picture->pixmap().isNull(), !picture->text().isEmpty());
    QTEST(stored("ServerFiles") + ' ' + stored("DontShowWelcome"), "storedAfter");
    QCOMPARE(box->isChecked(), stored("DontShowWelcome") == "true");
    verifyLines({server->requests.constFirst()},
                {"/qt/welcome/index.php?nocache=* HTTP/1.1*Content-Type: application/json*",
                 "*Cache-Control: no-cache*"});
    verifyLines(server->requests, {"/qt/welcome/" + requested[0] + "?t=* HTTP/1.1*",
                                   "/qt/welcome/" + requested[1] + "?t=* HTTP/1.1*"});
    verifyLines(log.lines(), lines);
}

// Rich text from the server names a FIFO as pictures and a background: reading any would block
// the program for good. The rest of the text shows and nothing ever opens the FIFO.
void TestWelcome::outsidePicturesAreNeverRead()
{
#ifdef Q_OS_UNIX
    QTemporaryDir scratch;
    const QString fifo = scratch.filePath(QStringLiteral("picture.png"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString text = "<p>News</p><img src=\"" + fifo + "\"><img src=\"file://" + fifo +
                         "\"><table background=\"" + fifo + "\"><tr><td>cell</td></tr></table>" +
                         "<img src=\":/nowhere.png\">";
    server->serve(QStringLiteral("/qt/welcome/index.php"), {listing({"rich.txt"})});
    server->serve(QStringLiteral("/qt/welcome/rich.txt"), {text.toUtf8()});
    WelcomePage page;
    page.show();
    auto *label = page.findChild<QLabel *>(QStringLiteral("textLabel"));
    QTRY_VERIFY_WITH_TIMEOUT(label->text().contains(QLatin1String("News")), 10000);
    page.repaint(); // lays the text out and paints it, as the user sees it
    QVERIFY(label->text().contains(QLatin1String("cell")) && !label->text().contains(fifo));
    QVERIFY(label->text().contains(QLatin1String(":/nowhere.png")));
    QCOMPARE(open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK), -1); // no reader
#else
    QSKIP("FIFOs are a POSIX matter");
#endif
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
