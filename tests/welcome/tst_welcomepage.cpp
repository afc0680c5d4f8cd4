#include "welcomepage.h"

#include "logcapture.h"
#include "loopbackhttpserver.h"
#include "serverresponses.h"
#include "temporarysettings.h"
#include "testcontentserver.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using DialogAction = std::function<void(WelcomePage &)>;
Q_DECLARE_METATYPE(DialogAction)

namespace {

const QString loadingPicture = QStringLiteral("加载图片中...");
const QString loadingText = QStringLiteral("加载文本中...");

template <typename T> T *child(const QObject &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

QCheckBox *checkBox(const WelcomePage &page)
{
    return child<QCheckBox>(page, "dontShowAgainCheckBox");
}

QVariantMap preference(bool dontShow)
{
    return {{QStringLiteral("DontShowWelcome"), dontShow}};
}

} // namespace

class TestWelcomePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void form();
    void slotTable();
    void loadingTextsBeforeReplies();
    void boxStartsFromTheStore_data();
    void boxStartsFromTheStore();
    void everyToggleIsStored();
    void result_data();
    void result();

private:
    TemporarySettings settings;
    LoopbackHttpServer server;
};

void TestWelcomePage::initTestCase()
{
    QVERIFY2(settings.fileName().startsWith(QDir::tempPath()), qPrintable(settings.fileName()));
    QVERIFY(server.listen());
    setContentServerBaseUrl(server.baseUrl());
    // Nothing answers, so the labels keep what the form gives them.
    server.setDefaultResponse(withBehaviour(Behaviour::NeverAnswer));
}

void TestWelcomePage::init()
{
    settings.reset();
}

void TestWelcomePage::form()
{
    const WelcomePage page;
    QCOMPARE(page.objectName(), QStringLiteral("WelcomePage"));
    QCOMPARE(page.windowTitle(), QStringLiteral("欢迎"));
    QCOMPARE(page.size(), QSize(500, 500));

    auto *layout = qobject_cast<QVBoxLayout *>(page.layout());
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), QStringLiteral("verticalLayout"));
    const QStringList order{"imageLabel", "scrollArea", "dontShowAgainCheckBox", "buttonBox"};
    QCOMPARE(layout->count(), order.size());
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(layout->itemAt(i)->widget()->objectName(), order[i]);

    auto *image = child<QLabel>(page, "imageLabel");
    QCOMPARE(image->minimumSize(), QSize(400, 300));
    QCOMPARE(image->alignment(), Qt::AlignCenter);
    QCOMPARE(image->text(), loadingPicture);
    QVERIFY(!image->hasScaledContents());

    auto *scroll = child<QScrollArea>(page, "scrollArea");
    QVERIFY(scroll->widgetResizable());
    QWidget *contents = scroll->widget();
    QCOMPARE(contents->objectName(), QStringLiteral("scrollAreaWidgetContents"));
    auto *innerLayout = qobject_cast<QVBoxLayout *>(contents->layout());
    QVERIFY(innerLayout);
    QCOMPARE(innerLayout->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(innerLayout->count(), 1);
    auto *text = qobject_cast<QLabel *>(innerLayout->itemAt(0)->widget());
    QVERIFY(text);
    QCOMPARE(text->objectName(), QStringLiteral("textLabel"));
    QCOMPARE(text->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QVERIFY(text->wordWrap());
    QCOMPARE(text->textFormat(), Qt::AutoText);
    QCOMPARE(text->text(), loadingText);

    QCOMPARE(checkBox(page)->text(), QStringLiteral("不再显示此欢迎页面"));
    QCOMPARE(child<QDialogButtonBox>(page, "buttonBox")->standardButtons(), QDialogButtonBox::Ok);
}

void TestWelcomePage::slotTable()
{
    const QMetaObject &meta = WelcomePage::staticMetaObject;
    QCOMPARE(meta.superClass(), &QDialog::staticMetaObject);
    QList<QByteArray> privateSlots;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private)
            privateSlots.append(method.methodSignature());
    }
    QCOMPARE(privateSlots,
             QList<QByteArray>(
                 {"on_dontShowAgainCheckBox_stateChanged(int)", "onImageDownloaded(QNetworkReply*)",
                  "onTextDownloaded(QNetworkReply*)", "onDirectoryListed(QNetworkReply*)"}));
}

void TestWelcomePage::loadingTextsBeforeReplies()
{
    const WelcomePage page;
    QTRY_VERIFY(!server.requests().isEmpty());
    QTest::qWait(100);
    QCOMPARE(child<QLabel>(page, "imageLabel")->text(), loadingPicture);
    QCOMPARE(child<QLabel>(page, "textLabel")->text(), loadingText);
}

void TestWelcomePage::boxStartsFromTheStore_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("preferenceLines");

    QTest::newRow("nothing stored") << QVariantMap() << false << QStringList();
    QTest::newRow("stored false") << preference(false) << false << QStringList();
    QTest::newRow("stored true") << preference(true) << true
                                 << QStringList{"Saved user preference 'dontShow': true"};
}

void TestWelcomePage::boxStartsFromTheStore()
{
    QFETCH(QVariantMap, before);
    QFETCH(bool, ticked);
    QFETCH(QStringList, preferenceLines);
    settings.reset(before);
    const QVariantMap storedBefore = settings.onDisk();

    LogCapture log;
    const WelcomePage page;
    QCOMPARE(checkBox(page)->isChecked(), ticked);
    QCOMPARE(log.lines(),
             preferenceLines + QStringList{QStringLiteral("Checking server files at: \"%1\"")
                                               .arg(server.baseUrl() + "qt/welcome/")});
    QCOMPARE(settings.onDisk(), storedBefore);
}

void TestWelcomePage::everyToggleIsStored()
{
    const WelcomePage page;
    LogCapture log;
    for (const bool ticked : {true, false, true}) {
        log.clear();
        QTest::mouseClick(checkBox(page), Qt::LeftButton);
        QCOMPARE(checkBox(page)->isChecked(), ticked);
        QCOMPARE(log.lines(), QStringList{QStringLiteral("Saved user preference 'dontShow': ") +
                                          (ticked ? "true" : "false")});
        QCOMPARE(settings.onDisk().value("DontShowWelcome").toString(),
                 ticked ? QStringLiteral("true") : QStringLiteral("false"));
    }
}

void TestWelcomePage::result_data()
{
    QTest::addColumn<DialogAction>("action");
    QTest::addColumn<int>("result");

    QTest::newRow("OK clicked") << DialogAction([](WelcomePage &page) {
        QTest::mouseClick(child<QDialogButtonBox>(page, "buttonBox")->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    }) << 1;
    QTest::newRow("Escape pressed")
        << DialogAction([](WelcomePage &page) { QTest::keyClick(&page, Qt::Key_Escape); }) << 0;
    QTest::newRow("window closed") << DialogAction([](WelcomePage &page) { page.close(); }) << 0;
    QTest::newRow("ticked, then Escape") << DialogAction([](WelcomePage &page) {
        QTest::mouseClick(checkBox(page), Qt::LeftButton);
        QTest::keyClick(&page, Qt::Key_Escape);
    }) << 0;
}

void TestWelcomePage::result()
{
    QFETCH(DialogAction, action);
    QFETCH(int, result);

    WelcomePage page;
    QTimer::singleShot(0, &page, [&page, action] { action(page); });
    QCOMPARE(page.exec(), result);
    QCOMPARE(settings.onDisk().value("DontShowWelcome").toBool(), checkBox(page)->isChecked());
}

QTEST_MAIN(TestWelcomePage)
#include "tst_welcomepage.moc"
