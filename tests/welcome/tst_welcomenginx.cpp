#include "welcomepage.h"

#include "temporarysettings.h"
#include "testcontentserver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool contentServer(const QStringList &arguments)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral(CONTENT_SERVER_SCRIPT), arguments);
    return script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

bool contentShown(const WelcomePage &page)
{
    const auto *image = page.findChild<QLabel *>(QStringLiteral("imageLabel"));
    const auto *text = page.findChild<QLabel *>(QStringLiteral("textLabel"));
    return !image->pixmap().isNull() && text->text() != QStringLiteral("加载文本中...");
}

} // namespace

/// The welcome page against the real content server: nginx serving a copy of the shipped
/// welcome folder on a port of its own.
class TestWelcomeNginx : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void showsTheServersPictureAndText();
    void changedFolderBringsTheDialogBackWithTheBoxClear();

private:
    QString folder() const { return root.filePath("www/qt/welcome/"); }

    TemporarySettings settings;
    QTemporaryDir root;
    QString port;
};

void TestWelcomeNginx::initTestCase()
{
    QVERIFY2(settings.fileName().startsWith(QDir::tempPath()), qPrintable(settings.fileName()));
    QVERIFY(QProcess::execute("cp", {"-R", QStringLiteral(CONTENT_WWW), root.filePath("www")}) ==
            0);
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    port = QString::number(probe.serverPort());
    probe.close();
    QVERIFY(contentServer({"start", "--port", port, "--root", root.filePath("www")}));
    setContentServerBaseUrl("http://127.0.0.1:" + port + "/");
}

void TestWelcomeNginx::cleanupTestCase()
{
    contentServer({"stop", "--port", port});
}

void TestWelcomeNginx::showsTheServersPictureAndText()
{
    const QLatin1String picture("welcome.png");
    const QLatin1String text("welcome.txt");
    QFile textFile(folder() + text);
    QVERIFY(textFile.open(QIODevice::ReadOnly));
    const QString expectedText = QString::fromUtf8(textFile.readAll());
    QVERIFY(!expectedText.isEmpty());

    QVERIFY(WelcomePage::shouldShowWelcome());
    const WelcomePage page;
    QTRY_VERIFY(contentShown(page));
    const auto *image = page.findChild<QLabel *>(QStringLiteral("imageLabel"));
    QCOMPARE(image->pixmap().size(), QImage(folder() + picture).size());
    QVERIFY(image->hasScaledContents());
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("textLabel"))->text(), expectedText);
    QCOMPARE(settings.onDisk().value("ServerFiles").toStringList(), QStringList({picture, text}));
}

void TestWelcomeNginx::changedFolderBringsTheDialogBackWithTheBoxClear()
{
    {
        const WelcomePage page;
        QTRY_VERIFY(contentShown(page));
        QTest::mouseClick(page.findChild<QCheckBox *>(), Qt::LeftButton);
    }
    QVERIFY(!WelcomePage::shouldShowWelcome());

    QFile news(folder() + "news.txt");
    QVERIFY(news.open(QIODevice::WriteOnly));
    QCOMPARE(news.write("news"), 4);
    news.close();
    QVERIFY(WelcomePage::shouldShowWelcome());
    const WelcomePage page;
    QVERIFY(!page.findChild<QCheckBox *>()->isChecked());
    QTRY_VERIFY(contentShown(page));
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("textLabel"))->text(), QStringLiteral("news"));
}

QTEST_MAIN(TestWelcomeNginx)
#include "tst_welcomenginx.moc"
