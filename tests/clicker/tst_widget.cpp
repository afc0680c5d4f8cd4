#include "widget.h"

#include "logcapture.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

namespace {

const QStringList usageGuideParagraphs = {
    "复制以下过代边框进行座标修改",
    "100，200，1，2",
    "代码说明：",
    "鼠标在X座标100Y座标200处",
    "点击1次后延时1秒后再点击1次。",
    "100，200，1",
    "代码说明：",
    "鼠标在X座标100Y座标200处",
    "点击1次后延时1秒。",
    "以上两种是最常用的方式",
    "",
    "使用教程",
    "X，Y，延时，点击次数",
    "中文对应填入值",
    "0，0，0，0",
    "关键逻辑符",
    "0表示不操作，不需要该功能时可以不写",
    "最后1行*+数字为以上所有行重复次数，",
    "* 号前的内容重复，并且如果 * 号前还有 * 号，",
    "将 * 号至 * 号之间的内容进行重复，",
    "只运行一次可以不写。",
    "用微信截图可以找到你所需要点击的XY座标。",
};

// Stands in for the desktop's browser so the test sees what would have been opened.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

QString widgetText(const QWidget *widget)
{
    if (auto label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto button = qobject_cast<const QPushButton *>(widget))
        return button->text();
    if (auto editor = qobject_cast<const QPlainTextEdit *>(widget))
        return editor->toPlainText();
    return {};
}

} // namespace

class TestWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowIdentity();
    void childWidgets_data();
    void childWidgets();
    void creationAndFocusOrder();
    void listUsesTheWindowModel();
    void usageGuide();
    void slotsInOrder();
    void keepsLayoutWhenResized();
    void disclaimerBox();
    void tutorialOpensVideoAddress();
    void tutorialReportsFailure();

private:
    QTemporaryDir workDir;
    QString previousDir;
    std::unique_ptr<Widget> window;
};

void TestWidget::init()
{
    // The window creates its saved-scripts folder in the working directory.
    previousDir = QDir::currentPath();
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    window = std::make_unique<Widget>();
}

void TestWidget::cleanup()
{
    window.reset();
    QDir::setCurrent(previousDir);
}

void TestWidget::windowIdentity()
{
    QCOMPARE(window->objectName(), QStringLiteral("Widget"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvane_模拟点击"));
    QCOMPARE(window->size(), QSize(481, 345));
    QVERIFY(window->layout() == nullptr);
    QCOMPARE(window->metaObject()->className(), "Widget");
}

void TestWidget::childWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("centred");

    QTest::newRow("script editor") << "plainTextEdit"
                                   << "QPlainTextEdit" << QRect(10, 40, 110, 260) << "" << false;
    QTest::newRow("script caption")
        << "label"
        << "QLabel" << QRect(10, 20, 110, 16) << "X，Y，延时，次数" << true;
    QTest::newRow("execute button") << "pushButton"
                                    << "QPushButton" << QRect(10, 310, 111, 23) << "执行" << false;
    QTest::newRow("usage guide") << "textBrowser"
                                 << "QTextBrowser" << QRect(250, 40, 211, 260) << "" << false;
    QTest::newRow("tutorial button")
        << "pushButton_2"
        << "QPushButton" << QRect(250, 310, 75, 23) << "视频教程" << false;
    QTest::newRow("disclaimer button")
        << "pushButton_3"
        << "QPushButton" << QRect(388, 310, 75, 23) << "免责声明" << false;
    QTest::newRow("slogan") << "label_2"
                            << "QLabel" << QRect(250, 20, 211, 20) << "释放双手，办公流程自动化。"
                            << true;
    QTest::newRow("save button") << "pushButton_4"
                                 << "QPushButton" << QRect(130, 310, 50, 23) << "保存" << false;
    QTest::newRow("saved scripts") << "listView"
                                   << "QListView" << QRect(130, 40, 110, 261) << "" << false;
    QTest::newRow("delete button") << "pushButton_5"
                                   << "QPushButton" << QRect(190, 310, 50, 23) << "删除" << false;
}

void TestWidget::childWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, centred);

    auto child = window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(child, qPrintable(name));
    QCOMPARE(QString::fromLatin1(child->metaObject()->className()), className);
    QCOMPARE(child->geometry(), geometry);
    QCOMPARE(widgetText(child), text);
    if (auto label = qobject_cast<QLabel *>(child))
        QCOMPARE(label->alignment() == Qt::AlignCenter, centred);
    QCOMPARE(child->styleSheet(), QString());
    QCOMPARE(child->toolTip(), QString());
}

void TestWidget::creationAndFocusOrder()
{
    const QStringList expected = {"plainTextEdit", "label",        "pushButton", "textBrowser",
                                  "pushButton_2",  "pushButton_3", "label_2",    "pushButton_4",
                                  "listView",      "pushButton_5"};
    QStringList created;
    for (QObject *child : window->children()) {
        if (child->isWidgetType())
            created.append(child->objectName());
    }
    QCOMPARE(created, expected);

    QStringList focusChain;
    for (QWidget *w = window->nextInFocusChain(); w != window.get(); w = w->nextInFocusChain()) {
        if (w->parentWidget() == window.get())
            focusChain.append(w->objectName());
    }
    QCOMPARE(focusChain, expected);
}

void TestWidget::listUsesTheWindowModel()
{
    auto list = window->findChild<QListView *>("listView");
    auto model = qobject_cast<QStandardItemModel *>(list->model());
    QVERIFY(model);
    QCOMPARE(model->parent(), window.get());
}

void TestWidget::usageGuide()
{
    auto browser = window->findChild<QTextBrowser *>("textBrowser");
    QVERIFY(browser->isReadOnly());
    QCOMPARE(browser->toPlainText(), usageGuideParagraphs.join('\n'));

    QTextDocument *document = browser->document();
    QCOMPARE(document->blockCount(), usageGuideParagraphs.size());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat paragraph = block.blockFormat();
        QCOMPARE(paragraph.topMargin(), 0.0);
        QCOMPARE(paragraph.bottomMargin(), 0.0);
        QCOMPARE(paragraph.leftMargin(), 0.0);
        QCOMPARE(paragraph.rightMargin(), 0.0);
        QCOMPARE(paragraph.indent(), 0);
        QCOMPARE(paragraph.textIndent(), 0.0);
        const QFont font = block.charFormat().font();
        QCOMPARE(font.families().value(0), QStringLiteral("Microsoft YaHei UI"));
        QCOMPARE(font.pointSizeF(), 9.0);
        QCOMPARE(font.weight(), QFont::Normal);
        QCOMPARE(font.style(), QFont::StyleNormal);
    }
}

void TestWidget::slotsInOrder()
{
    const QMetaObject *meta = window->metaObject();
    QStringList slotSignatures;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        slotSignatures.append(QString::fromLatin1(method.methodSignature()));
    }
    QCOMPARE(slotSignatures,
             QStringList({"on_pushButton_clicked()", "on_pushButton_2_clicked()",
                          "on_pushButton_3_clicked()", "on_pushButton_4_clicked()",
                          "on_pushButton_5_clicked()", "on_listView_clicked(QModelIndex)"}));
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());
    QCOMPARE(meta->enumeratorCount(), meta->enumeratorOffset());
    QCOMPARE(meta->classInfoCount(), meta->classInfoOffset());
}

void TestWidget::keepsLayoutWhenResized()
{
    window->show();
    window->resize(800, 600);
    QCOMPARE(window->findChild<QWidget *>("textBrowser")->geometry(), QRect(250, 40, 211, 260));
    window->resize(200, 100);
    QCOMPARE(window->findChild<QWidget *>("pushButton_3")->geometry(), QRect(388, 310, 75, 23));
}

void TestWidget::disclaimerBox()
{
    const QStringList expectedLines = {
        "免责声明：",
        "",
        "1. 本应用所提供的一切信息、功能及服务均以“现状”提供，不附带任何形式的明示或暗示的保证，"
        "包括但不限于适销性、特定用途适用性及非侵权保证。",
        "2. 对于因使用本应用或依赖本应用所提供的信息、功能及服务而导致的任何直接、间接、偶然、"
        "特殊、衍生性或惩罚性损害，包括但不限于数据丢失、业务中断、利润损失或其他经济损失，"
        "本应用开发者及运营方概不负责，无论该等损害是基于合同、侵权（包括疏忽）、严格责任或其他"
        "理论，即使已被告知发生该等损害的可能性。",
        "3. 用户明确理解并同意，自行承担使用本应用的风险。本应用可能包含技术瑕疵、漏洞或其他问题，"
        "由此导致的任何后果均由用户自行承担。",
        "4. 本应用可能链接到第三方网站或包含第三方提供的内容。对于第三方网站或内容的可用性、"
        "准确性、合法性、完整性或质量，本应用概不负责。用户访问第三方网站或使用第三方内容所产生的"
        "一切风险和责任由用户自行承担。",
        "5. 本应用由Quorvane工作室（www.quorvane.example）开发，欢迎试用我们的其他办公自动化工具；"
        "如需定制专属工具，请联系销售：sales@quorvane.example。",
        "",
        "请仔细阅读并理解以上免责条款，继续使用本应用即表示您同意遵守这些条款。",
    };

    window->show();
    bool opened = false;
    QString title, text;
    QList<QAbstractButton *> buttons;
    QMessageBox::StandardButtons standardButtons;
    bool modal = false;
    QWidget *parent = nullptr;
    // The box runs its own modal loop inside the click; inspect and close it from there.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!seen)
            return;
        poll.stop();
        opened = true;
        title = seen->windowTitle();
        text = seen->text();
        buttons = seen->buttons();
        standardButtons = seen->standardButtons();
        modal = seen->isModal();
        parent = seen->parentWidget();
        seen->close();
    });
    poll.start(10);
    QTest::mouseClick(window->findChild<QPushButton *>("pushButton_3"), Qt::LeftButton);

    QVERIFY2(opened, "the disclaimer box did not open as a modal box");
    QCOMPARE(title, QStringLiteral("应用使用免责条款"));
    QCOMPARE(text.split('\n'), expectedLines);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(standardButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(modal);
    QCOMPARE(parent, window.get());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestWidget::tutorialOpensVideoAddress()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    LogCapture log;

    QTest::mouseClick(window->findChild<QPushButton *>("pushButton_2"), Qt::LeftButton);

    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(browser.opened, QList<QUrl>{QUrl("https://www.quorvane.example/qt/1.mp4")});
    QCOMPARE(log.lines(), QStringList{"成功打开视频教程网页"});
}

void TestWidget::tutorialReportsFailure()
{
    // The offscreen platform has no browser, so with no handler the address cannot be opened.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("openUrl"));
    LogCapture log;

    QTest::mouseClick(window->findChild<QPushButton *>("pushButton_2"), Qt::LeftButton);

    QCOMPARE(log.lines(), QStringList{"无法打开视频教程网页"});
}

QTEST_MAIN(TestWidget)
#include "tst_widget.moc"
