#include "quorvaneprocess.h"
#include "xtoplevelwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <X11/keysym.h>

namespace {

const QString welcomeTitle = QStringLiteral("欢迎");
const QString contentScript = QStringLiteral(CONTENT_SERVER_SCRIPT);

/// Runs the content server script; its complaints go to the test log.
bool contentServer(const QStringList &arguments, QString *complaint = nullptr)
{
    QProcess script;
    script.start(contentScript, arguments);
    if (!script.waitForFinished(30000))
        return false;
    if (complaint)
        *complaint = QString::fromLocal8Bit(script.readAllStandardError()).trimmed();
    return script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

} // namespace

/// Runs the real program with the content server its build compiled in, nginx serving a
/// copy of the shipped welcome folder, and drives the welcome dialog through the X server.
class TestWelcomeStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstRunShowsTheWelcomeDialog_data();
    void firstRunShowsTheWelcomeDialog();
    void serverContentIsShownAndAChangeBringsTheDialogBack();

private:
    void start();
    void stop();
    QString readLog();
    QVariant stored(const QString &key) const;
    /// The main window's constructor makes the scripts folder, so it tells that the main
    /// window of this very process exists; other programs' windows may share its title.
    bool mainWindowCreated() const { return QDir(home.filePath("work/saved_files")).exists(); }

    QTemporaryDir contentRoot;
    QString port;
    QTemporaryDir home;
    QProcess program;
    QString log;
};

void TestWelcomeStartup::initTestCase()
{
    QVERIFY2(XTopLevelWindows().isConnected(), "these tests need an X server on DISPLAY");
    const QUrl server(QStringLiteral(CONTENT_SERVER_URL));
    QVERIFY(server.port() > 0);
    if (server.host() != "127.0.0.1" && server.host() != "localhost")
        QSKIP("the build's content server is not on this machine");
    port = QString::number(server.port());

    QVERIFY(QProcess::execute(
                "cp", {"-R", QStringLiteral(CONTENT_WWW), contentRoot.filePath("www")}) == 0);
    QString complaint;
    if (!contentServer({"start", "--port", port, "--root", contentRoot.filePath("www")},
                       &complaint))
        QSKIP(qPrintable("port " + port + " is taken, no content server of ours: " + complaint));
}

void TestWelcomeStartup::cleanupTestCase()
{
    if (!port.isEmpty())
        contentServer({"stop", "--port", port});
}

void TestWelcomeStartup::init()
{
    QVERIFY(home.isValid());
    QVERIFY(QDir(home.path()).mkpath("work"));
    QFile::remove(home.filePath("config/YourCompany/YourApp.conf"));
}

void TestWelcomeStartup::cleanup()
{
    stop();
    QDir(home.filePath("work")).removeRecursively();
}

void TestWelcomeStartup::stop()
{
    stopQuorvane(program);
}

void TestWelcomeStartup::start()
{
    log.clear();
    startQuorvane(program, home.path());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
}

QString TestWelcomeStartup::readLog()
{
    log += QString::fromUtf8(program.readAllStandardError());
    return log;
}

QVariant TestWelcomeStartup::stored(const QString &key) const
{
    return QSettings(home.filePath("config/YourCompany/YourApp.conf"), QSettings::IniFormat)
        .value(key);
}

void TestWelcomeStartup::firstRunShowsTheWelcomeDialog_data()
{
    QTest::addColumn<QString>("how"); // how the dialog is ended
    QTest::addColumn<bool>("mainWindow");

    QTest::newRow("Escape ends the program") << "escape" << false;
    QTest::newRow("closing the dialog ends the program") << "close" << false;
    QTest::newRow("Enter goes on to the main window") << "enter" << true;
}

void TestWelcomeStartup::firstRunShowsTheWelcomeDialog()
{
    QFETCH(QString, how);
    QFETCH(bool, mainWindow);
    start();
    XTopLevelWindows windows;
    const unsigned long dialog = windows.waitForWindow(welcomeTitle, 15000);
    QVERIFY2(dialog, "the welcome dialog did not appear");
    QTRY_VERIFY2(readLog().contains("First run or no saved file list - showing welcome page\n"
                                    "File names changed, showing welcome page\n"),
                 qPrintable(log));
    QVERIFY(!mainWindowCreated());

    if (how == "close")
        windows.requestClose(dialog);
    else
        windows.pressKey(dialog, how == "enter" ? XK_Return : XK_Escape);

    if (mainWindow) {
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowCreated(), 15000);
        QTRY_VERIFY(!windows.hasWindow(welcomeTitle));
        QCOMPARE(program.state(), QProcess::Running);
        return; // closing the main window is its own suite's business
    }
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!mainWindowCreated());
}

void TestWelcomeStartup::serverContentIsShownAndAChangeBringsTheDialogBack()
{
    const QString folder = contentRoot.filePath("www/qt/welcome/");
    const qint64 pictureSize = QFileInfo(folder + "welcome.png").size();
    const qint64 textSize = QFileInfo(folder + "welcome.txt").size();

    // First run: the dialog lists the folder, stores its names and shows both files.
    start();
    XTopLevelWindows windows;
    unsigned long dialog = windows.waitForWindow(welcomeTitle, 15000);
    QVERIFY2(dialog, "the welcome dialog did not appear");
    QTRY_VERIFY_WITH_TIMEOUT(
        readLog().contains(QStringLiteral("Text data size: %1 bytes\n").arg(textSize)) &&
            log.contains(QStringLiteral("Image data size: %1 bytes Image "
                                        "loaded: true\n")
                             .arg(pictureSize)),
        10000);
    windows.pressKey(dialog, XK_Escape);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(stored("ServerFiles").toStringList(), QStringList({"welcome.png", "welcome.txt"}));

    // The user ticked the box; with the folder unchanged the main window comes straight up.
    {
        QSettings settings(home.filePath("config/YourCompany/YourApp.conf"), QSettings::IniFormat);
        settings.setValue("DontShowWelcome", true);
    }
    start();
    QTRY_VERIFY_WITH_TIMEOUT(mainWindowCreated(), 15000);
    QVERIFY(readLog().contains("User preference 'dontShow': true\n"));
    QVERIFY(!windows.hasWindow(welcomeTitle));
    stop();

    // New content on the server: the dialog is due again and its box starts clear.
    QFile news(folder + "news.txt");
    QVERIFY(news.open(QIODevice::WriteOnly));
    news.write("new");
    news.close();
    start();
    dialog = windows.waitForWindow(welcomeTitle, 15000);
    QVERIFY2(dialog, "the welcome dialog did not come back");
    QTRY_VERIFY2(readLog().contains("File list size changed, showing welcome page\n"),
                 qPrintable(log));
    QVERIFY(!log.contains("Saved user preference 'dontShow': true"));
    QCOMPARE(stored("DontShowWelcome").toBool(), false);
    QCOMPARE(stored("ServerFiles").toStringList(),
             QStringList({"news.txt", "welcome.png", "welcome.txt"}));
    windows.pressKey(dialog, XK_Escape);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestWelcomeStartup)
#include "tst_welcomestartup.moc"
