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

using Response = LoopbackServer::Response;

namespace {

LoopbackServer *server = nullptr;

// Every pattern must match a line; * stands for any text (ports, time stamps, error texts).
void verifyLines(const QStringList &lines, const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        const QString expression = QRegularExpression::escape(pattern).replace("\\*", ".*");
        QVERIFY2(
            lines.indexOf(QRegularExpression(QRegularExpression::anchoredPattern(expression),
                                             QRegularExpression::DotMatchesEverythingOption)) >= 0,
            qPrintable(pattern + " not in\n" + lines.join('\n')));
    }
}

QByteArray listing(const QStringList &names)
{
    return "[\"" + names.join("\",\"").toUtf8() + "\"]";
}

// The two settings as "<ServerFiles, |-separated> <DontShowWelcome>": "-" for an absent key,
// "[]" for an empty list.
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
    return server->baseUrl();
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
    delete server;
    server = new LoopbackServer;
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    for (const char *name : {"a.png", "b.PNG", "welcome.png"})
        server->serve(QStringLiteral("/qt/welcome/") + name, {png});
    server->serve(QStringLiteral("/qt/welcome/page.png"), {"<html>404</html>"});
    server->serve(QStringLiteral("/qt/welcome/big.gif"), {{}, "200 OK", Response::Kind::Endless});
    server->serve(QStringLiteral("/qt/welcome/news.TXT"), {"今日"});
    server->serve(QStringLiteral("/qt/welcome/empty.txt"), {});
    server->serve(QStringLiteral("/qt/welcome/welcome.txt"), {" "});
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
    const QString grown = QStringLiteral(" File list size changed, showing welcome page");
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
    row("elements that give names", "[] -",
        {"[{\"name\":\"a.jpg\"},{\"size\":1},5,\"c.txt\",{\"name\":7},true,null,[\"d\"]]"}, true,
        "a.jpg|c.txt| false",
        {saved + ") Current file list: QList(\"a.jpg\", \"c.txt\", \"\")" + grown, changed});
    row("no answer in 5000 ms", "[] false", {{}, "200 OK", Response::Kind::Silent}, true,
        "[] false", {"Server check timed out, defaulting to normal behavior", prefer + "false"});
}

void TestWelcome::gate()
{
    QFETCH(QString, before);
    QFETCH(Response, listing);
    QFETCH(QStringList, lines);
    store(before);
    server->serve(QStringLiteral("/qt/welcome/index.php"), listing);
    const LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();

    QTEST(WelcomePage::shouldShowWelcome(), "due");

    const bool silent = listing.kind == Response::Kind::Silent;
    QVERIFY2(silent ? elapsed.elapsed() >= 5000 : elapsed.elapsed() < 4000,
             qPrintable(QString::number(elapsed.elapsed())));
    QTEST(stored(), "after");
    QCOMPARE(log.lines().size(), lines.size());
    verifyLines(log.lines(), lines);
    const bool asked = before != QLatin1String("- -");
    QCOMPARE(server->requests.size(), asked ? 1 : 0);
    if (asked)
        verifyLines(server->requests,
                    {"/qt/welcome/index.php?t=* HTTP/1.1*Content-Type: application/json*",
                     "*Cache-Control: no-cache*"});
}

void TestWelcome::dialog_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("tickAtOnce");
    QTest::addColumn<QByteArray>("listing"); // empty: 404
    QTest::addColumn<QStringList>("requested");
    QTest::addColumn<QString>("labels"); // "<picture label> | <text label>"; "" for the picture
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("lines"); // among those written
    const auto row = [](const char *name, const char *before, bool tickAtOnce,
                        const QByteArray &listing, const QStringList &requested, const char *labels,
                        const char *after, const QStringList &lines) {
        QTest::newRow(name) << QString(before) << tickAtOnce << listing << requested
                            << QString(labels) << QString(after) << lines;
    };

    row("first picture and text in server order, any case", "- -", false,
        listing({"b.PNG", "a.png", "news.TXT", "x.txt"}), {"b.PNG", "news.TXT"}, " | 今日",
        "b.PNG|a.png|news.TXT|x.txt -",
        {"Saved file list to settings: QList(\"b.PNG\", \"a.png\", \"news.TXT\", \"x.txt\")",
         "Image data size: * bytes Image loaded: true", "Text data size: 6 bytes"});
    row("a tick before a changed listing is taken back", "- -", true, listing({"a.png"}),
        {"a.png", "welcome.txt"}, " |  ", "a.png false",
        {"Saved user preference 'dontShow': true", "Saved user preference 'dontShow': false",
         "*Server files have changed! Resetting 'Don't show' preference due to file changes"});
    row("failed listing falls back", "- -", false, {}, {"welcome.png", "welcome.txt"}, " |  ",
        "- -", {"Failed to list directory: \"*\""});
    row("undecodable picture, empty text", "- -", false, listing({"page.png", "empty.txt"}),
        {"page.png", "empty.txt"}, "无法加载图片 | 文本内容为空", "page.png|empty.txt -",
        {"*Image loaded: false"});
    row("text that cannot be had, picture over 32 MiB", "- -", false,
        listing({"big.gif", "gone.txt"}), {"big.gif", "gone.txt"},
        "无法加载图片 | 无法加载文本内容", "big.gif|gone.txt -",
        {"Failed to download image: \"Reply body larger than 33554432 bytes\" URL: "
         "\"http://*/qt/welcome/big.gif?t=*\"",
         "Failed to download text: \"*\" URL: \"http://*/qt/welcome/gone.txt?t=*\""});
}

void TestWelcome::dialog()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, requested);
    QFETCH(QStringList, lines);
    store(before);
    if (!listing.isEmpty())
        server->serve(QStringLiteral("/qt/welcome/index.php"), {listing});
    const LogCapture log;

    WelcomePage page;
    page.show();
    auto *picture = page.findChild<QLabel *>(QStringLiteral("imageLabel"));
    auto *text = page.findChild<QLabel *>(QStringLiteral("textLabel"));
    auto *box = page.findChild<QCheckBox *>(QStringLiteral("dontShowAgainCheckBox"));
    const auto labels = [&] { return picture->text() + " | " + text->text(); };
    QCOMPARE(labels(), QStringLiteral("加载图片中... | 加载文本中..."));
    QFETCH(bool, tickAtOnce);
    if (tickAtOnce)
        box->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        server->requests.size() == 3 && !labels().contains(QStringLiteral("中...")), 10000);

    QTEST(labels(), "labels");
    QCOMPARE(picture->pixmap().isNull(), !picture->text().isEmpty());
    QTEST(stored(), "after");
    QCOMPARE(box->isChecked(), stored().endsWith(QLatin1String("true")));
    verifyLines(server->requests.mid(0, 1),
                {"/qt/welcome/index.php?nocache=* HTTP/1.1*Content-Type: application/json*",
                 "*Cache-Control: no-cache*"});
    verifyLines(server->requests, {"/qt/welcome/" + requested[0] + "?t=* HTTP/1.1*",
                                   "/qt/welcome/" + requested[1] + "?t=* HTTP/1.1*"});
    verifyLines(log.lines(), lines);
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
