#include "quorvaneprocess.h"
#include "xtoplevelwindows.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString mainWindowTitle = QStringLiteral("Quorvane_模拟点击");

} // namespace

/// Runs the real program as a user would, on the X server named by DISPLAY.
class TestMainWindowProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showsMainWindowWithIconAndExitsCleanlyWhenClosed();
    void passesUnknownArgumentsToTheToolkit();

private:
    void start(const QStringList &arguments = {});

    QTemporaryDir home;
    QProcess program;
};

void TestMainWindowProcess::initTestCase()
{
    QVERIFY2(XTopLevelWindows().isConnected(), "these tests need an X server on DISPLAY");
}

void TestMainWindowProcess::init()
{
    QVERIFY(home.isValid());
    QVERIFY(QDir(home.path()).mkpath("work"));
    // A user who has seen the welcome page and ticked "don't show again": start-up goes
    // straight to the main window whatever the content server does.
    QSettings settings(home.filePath("config/YourCompany/YourApp.conf"), QSettings::IniFormat);
    settings.setValue("ServerFiles", QStringList());
    settings.setValue("DontShowWelcome", true);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

void TestMainWindowProcess::cleanup()
{
    stopQuorvane(program);
}

void TestMainWindowProcess::start(const QStringList &arguments)
{
    startQuorvane(program, home.path(), arguments);
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
}

void TestMainWindowProcess::showsMainWindowWithIconAndExitsCleanlyWhenClosed()
{
    start();
    XTopLevelWindows windows;
    const unsigned long window = windows.waitForWindow(mainWindowTitle, 15000);
    QVERIFY2(window, "the main window did not appear");
    QCOMPARE(windows.iconSize(window), QSize(200, 170));
    QVERIFY(QDir(home.filePath("work/saved_files")).exists());

    windows.requestClose(window);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestMainWindowProcess::passesUnknownArgumentsToTheToolkit()
{
    start({"--no-such-option", "script.txt"});
    XTopLevelWindows windows;
    const unsigned long window = windows.waitForWindow(mainWindowTitle, 15000);
    QVERIFY2(window, "the main window did not appear");
    windows.requestClose(window);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestMainWindowProcess)
#include "tst_mainwindowprocess.moc"
