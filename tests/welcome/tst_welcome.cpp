#include "logcapture.h"
#include "offlinelabeltext.h"
#include "welcomepage.h"

#include <QAccessible>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A content server on 127.0.0.1 that answers each path as told and misbehaves on demand;
// other paths get 404. Endless: 200 without a length, then a megabyte at a time for good.
struct Response
{
    enum class Kind { Answer, Silent, Endless };
    QByteArray body;
    QByteArray status = "200 OK";
    Kind kind = Kind::Answer;
};
QTcpServer *server = nullptr;
QHash<QString, Response> responses;
QStringList requests; // each request's target and headers, oldest first

void serve(const QString &path, const Response &response)
{
    responses.insert(path, response);
}

void answer(QTcpSocket *socket, const QByteArray &head)
{
    requests.append(QString::fromUtf8(head.mid(head.indexOf(' ') + 1)));
    const QString path = QString::fromUtf8(head.split(' ').value(1).split('?').value(0));
    const Response response = responses.value(path, {{}, "404 Not Found"});
    const QByteArray status = "HTTP/1.1 " + response.status + "\r\nConnection: close\r\n";
    if (response.kind == Response::Kind::Answer) {
        socket->write(status + "Content-Length: " + QByteArray::number(response.body.size()) +
                      "\r\n\r\n" + response.body);
        socket->disconnectFromHost();
    } else if (response.kind == Response::Kind::Endless) {
        socket->write(status + "\r\n");
        const auto writeMore = [socket] {
            if (socket->bytesToWrite() < (1 << 20))
                socket->write(QByteArray(1 << 20, 'x'));
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, writeMore);
        writeMore();
    }
}

void startServer()
{
    delete server;
    responses.clear();
    requests.clear();
    server = new QTcpServer;
    server->listen(QHostAddress::LocalHost);
    QObject::connect(server, &QTcpServer::newConnection, [] {
        QTcpSocket *socket = server->nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, [socket] {
            const QByteArray received = socket->peek(socket->bytesAvailable());
            if (!socket->property("answered").isValid() && received.contains("\r\n\r\n")) {
                socket->setProperty("answered", true);
                answer(socket, received.left(received.indexOf("\r\n\r\n")));
            }
        });
    });
}

// Every pattern must match one of the lines; * stands for any text (ports, times, errors).
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

// The settings as "<ServerFiles, |-separated> <DontShowWelcome>": "-" absent, "[]" empty list.
void store(const QString &settings)
{
    const QStringList values = settings.split(' ');
    QSettings store;
    store.clear();
    if (values[0] != QLatin1String("-"))
        store.setValue("ServerFiles", values[0] == "[]" ? QStringList() : values[0].split('|'));
    if (values[1] != QLatin1String("-"))
        store.setValue("DontShowWelcome", values[1] == QLatin1String("true"));
}

QString stored()
{
    const QSettings store;
    const QString files = store.value("ServerFiles").toStringList().join('|');
    return (!store.contains("ServerFiles") ? "-"
            : files.isEmpty()              ? "[]"
                                           : files) +
           ' ' + store.value("DontShowWelcome", "-").toString();
}

} // namespace

QString contentServerBaseUrl()
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(server->serverPort());
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
    void richTextLoadsNothing_data();
    void richTextLoadsNothing();

private:
    QTemporaryDir settingsFolder;
};

void TestWelcome::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("YourCompany"));
    QCoreApplication::setApplicationName(QStringLiteral("YourApp"));
    // A file of the test's own, also where the native store is the registry.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
}

void TestWelcome::init()
{
    startServer();
    const QString folder = QStringLiteral("/qt/welcome/");
    serve(
        folder + "b.GIF",
        {QByteArray("GIF89a\1\0\1\0\200\0\0\0\0\0\377\377\377,\0\0\0\0\1\0\1\0\0\2\2D\1\0;", 35)});
    serve(folder + "page.png", {"<html>404</html>"});
    serve(folder + "welcome.png", {{}, "200 OK", Response::Kind::Endless});
    serve(folder + "news.TXT", {"今日"});
    serve(folder + "empty.txt", {});
}

void TestWelcome::gate_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<Response>("listing");
    QTest::addColumn<bool>("due");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("lines");
    const auto row = [](const char *name, const char *before, const Response &listing, bool due,
                        const char *after, const QStringList &lines) {
        QTest::newRow(name) << QString(before) << listing << due << QString(after) << lines;
    };
    const QString changed = QStringLiteral("File names changed, showing welcome page");
    const QString prefer = QStringLiteral("User preference 'dontShow': ");
    const QString saved = QStringLiteral("Saved file list: QList(");

    row("first run asks nothing", "- -", {listing({"a.png"})}, true, "- -",
        {"First run or no saved file list - showing welcome page", changed});
    row("top level not an array", "[] -", {"{\"files\":[\"a.png\"]}"}, true, "[] -",
        {"Invalid JSON response from server", prefer + "false"});
    row("order and repetition are no change", "a|a|b true", {listing({"a", "b", "b"})}, false,
        "a|a|b true",
        {saved + "\"a\", \"a\", \"b\") Current file list: QList(\"a\", \"b\", \"b\")",
         prefer + "true"});
    row("letter case is a change", "a.png true", {listing({"A.png"})}, true, "A.png false",
        {saved + "\"a.png\") Current file list: QList(\"A.png\") New file detected: \"A.png\" "
                 "File removed: \"a.png\"",
         changed});
    row("no answer in 5000 ms", "[] false", {{}, "200 OK", Response::Kind::Silent}, true,
        "[] false", {"Server check timed out, defaulting to normal behavior", prefer + "false"});
    row("an endless listing is cut off at 32 MiB", "[] true",
        {{}, "200 OK", Response::Kind::Endless}, false, "[] true",
        {"Failed to check server files: \"Reply body larger than 33554432 bytes\"",
         prefer + "true"});
}

void TestWelcome::gate()
{
    QFETCH(QString, before);
    QFETCH(Response, listing);
    QFETCH(QStringList, lines);
    store(before);
    serve(QStringLiteral("/qt/welcome/index.php"), listing);
    const LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();

    QTEST(WelcomePage::shouldShowWelcome(), "due");

    const bool silent = listing.kind == Response::Kind::Silent;
    QVERIFY2(silent == (elapsed.elapsed() >= 5000), qPrintable(QString::number(elapsed.elapsed())));
    QTEST(stored(), "after");
    QCOMPARE(log.lines.size(), lines.size());
    verifyLines(log.lines, lines);
    const bool asked = before != QLatin1String("- -");
    QCOMPARE(requests.size(), asked ? 1 : 0);
    if (asked)
        verifyLines(requests, {"/qt/welcome/index.php?t=* HTTP/1.1*Content-Type: application/json*",
                               "*Cache-Control: no-cache*"});
}

void TestWelcome::dialog_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("listing"); // empty: 404
    QTest::addColumn<QString>("labels");     // "<picture label> | <text label>"; "" for a picture
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("lines"); // among those written
    const auto row = [](const char *name, const char *before, const QByteArray &listing,
                        const char *labels, const char *after, const QStringList &lines) {
        QTest::newRow(name) << QString(before) << listing << QString(labels) << QString(after)
                            << lines;
    };
    const QString url = QStringLiteral("URL: \"http://*/qt/welcome/");

    row("first picture and text in server order, any case", "- -",
        listing({"b.GIF", "a.png", "news.TXT", "x.txt"}), " | 今日", "b.GIF|a.png|news.TXT|x.txt -",
        {"Saved file list to settings: QList(\"b.GIF\", \"a.png\", \"news.TXT\", \"x.txt\")",
         "Downloading image: \"b.GIF\" Downloading text: \"news.TXT\"*", "*Image loaded: true",
         "Text data size: 6 bytes"});
    row("one name exchanged takes the tick back; undecodable picture, empty text",
        "a.png|empty.txt true", listing({"page.png", "empty.txt"}), "无法加载图片 | 文本内容为空",
        "page.png|empty.txt false",
        {"Saved user preference 'dontShow': true", "Saved user preference 'dontShow': false",
         "*New file detected: \"page.png\" File removed: \"a.png\" Server files have changed! "
         "Resetting 'Don't show' preference due to file changes",
         "*Image loaded: false"});
    row("a JSON object is no listing: fallbacks, nothing stored", "a.png|x.txt true",
        "{\"files\":[\"a.png\"]}", "无法加载图片 | 无法加载文本内容", "a.png|x.txt true",
        {"*Invalid JSON response from server",
         "Downloading image: \"welcome.png\" Downloading text: \"welcome.txt\"*"});
    row("failed listing falls back; picture over 32 MiB, no text", "- -", {},
        "无法加载图片 | 无法加载文本内容", "- -",
        {"Failed to list directory: \"*\"",
         "Failed to download image: \"Reply body larger than 33554432 bytes\" " + url +
             "welcome.png?t=*\"",
         "Failed to download text: \"*\" " + url + "welcome.txt?t=*\""});
}

void TestWelcome::dialog()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, lines);
    store(before);
    if (!listing.isEmpty())
        serve(QStringLiteral("/qt/welcome/index.php"), {listing});
    const LogCapture log;

    WelcomePage page;
    page.show();
    auto *picture = page.findChild<QLabel *>(QStringLiteral("imageLabel"));
    auto *text = page.findChild<QLabel *>(QStringLiteral("textLabel"));
    auto *box = page.findChild<QCheckBox *>(QStringLiteral("dontShowAgainCheckBox"));
    const auto labels = [&] { return picture->text() + " | " + text->text(); };
    QCOMPARE(labels(), QStringLiteral("加载图片中... | 加载文本中..."));
    QTRY_VERIFY_WITH_TIMEOUT(requests.size() == 3 && !labels().contains(QStringLiteral("中...")),
                             10000);

    QTEST(labels(), "labels");
    QCOMPARE(picture->pixmap().isNull(), !picture->text().isEmpty());
    QTEST(stored(), "after");
    QCOMPARE(box->isChecked(), stored().endsWith(QLatin1String("true")));
    verifyLines(requests,
                {"/qt/welcome/index.php?nocache=* HTTP/1.1*Content-Type: application/json*",
                 "*Cache-Control: no-cache*", "/qt/welcome/*.*?t=* HTTP/1.1*"});
    verifyLines(log.lines, lines);
}

// Every resource the text names is a file of the test's own, last read in 2000: laid out,
// painted and named for assistive technologies, the label reads none of them.
void TestWelcome::richTextLoadsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("after a line break: a picture, a font name that closes its CSS string")
        << "\n<img src=\"%1\"><p><font face=\"a'&quot;;background-image:url(%1);b:&quot;\">N</p>";
    QTest::newRow("after a blank: backgrounds, the same trick in a style attribute")
        << " <body background=\"%1\"><table background=\"file://%1\"><tr><td style=\"font-family:"
           "'a&quot;;background-image:url(%1);b:&quot;'\">News</td></tr></table></body>";
    QTest::newRow("style sheets linked and imported, and nothing to read")
        << "<link rel=\"stylesheet\" href=\"%1\"><style>@import url(%1);</style>";
}

void TestWelcome::richTextLoadsNothing()
{
    QFile file(settingsFolder.filePath(QStringLiteral("picture.png")));
    QFETCH(QString, text);
    text.replace("%1", file.fileName());
    const QDateTime year2000 = QDateTime::fromSecsSinceEpoch(946684800);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") &&
            file.setFileTime(year2000, QFileDevice::FileAccessTime));
    file.close();
    QLabel label;
    setOfflineText(&label, text);
    label.grab();
    QAccessible::queryAccessibleInterface(&label)->text(QAccessible::Name);
    QCOMPARE(label.text(), text);
    QCOMPARE(QFileInfo(file).fileTime(QFileDevice::FileAccessTime), year2000);
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
