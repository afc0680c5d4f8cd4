#include "widget.h"
#include "ui_widget.h"

#include "asciicommafix.h"
#include "clickrecorder.h"
#include "clickrunner.h"
#include "coordinatepicker.h"
#include "input.h"
#include "inputdiscarder.h"
#include "runsummary.h"
#include "runwarnings.h"
#include "scripthints.h"
#include "scriptlibrary.h"
#include "scriptlinebreaks.h"

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QUrl>

#include <memory>

namespace {

const char *const tutorialVideoUrl = "https://www.quorvane.example/qt/1.mp4";

// When a press of the button was let go: the button repaints itself before it reports the
// click, which under a slow display takes milliseconds that belong to the run's pause.
class ReleaseClock final : public QObject
{
public:
    using QObject::QObject;

    /// Microseconds since the release that made this click, or 0 when it came otherwise.
    qint64 sinceRelease()
    {
        const qint64 elapsed = released.isValid() ? released.nsecsElapsed() / 1000 : 0;
        released.invalidate();
        return elapsed < clickWithinUs ? elapsed : 0;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease)
            released.start();
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr qint64 clickWithinUs = 100'000;
    QElapsedTimer released;
};

// An entry of the editor's menu whose shortcut works in the editor, where the lines it
// writes go: at its text cursor.
QAction *addEditorAction(QPlainTextEdit *editor, const QString &text, QKeyCombination key)
{
    auto *action = new QAction(text, editor);
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    editor->addAction(action);
    return action;
}

} // namespace

Widget::Widget(QWidget *parent) : QWidget(parent), ui(new Ui::Widget)
{
    ui->setupUi(this);
    model = new QStandardItemModel(this);
    ui->listView->setModel(model);
    ui->pushButton->installEventFilter(new ReleaseClock(ui->pushButton));
    new ScriptLineBreaks(ui->plainTextEdit);
    new ScriptHints(ui->plainTextEdit);
    new RunSummary(ui->pushButton, ui->plainTextEdit->document());
    setUpPositionPicking();
    setUpRecording();
    setUpEditorMenu();

    ScriptLibrary().ensureFolder();
    loadLatestFile();
    refreshFileList();
}

Widget::~Widget()
{
    delete ui;
}

void Widget::on_pushButton_clicked()
{
    executeScript();
    // The window was frozen during the run: presses on it, whether the user's or the
    // script's own clicks, would otherwise take effect now, a second run among them.
    discardQueuedInput();
}

void Widget::executeScript()
{
    const qint64 sinceRelease = ui->pushButton->findChild<ReleaseClock *>()->sinceRelease();
    input::InputLayer &input = input::current();
    if (!confirmRunInConfinedSession(this, input))
        return;
    ClickRunner runner(input);
    switch (runner.run(ui->plainTextEdit->document()->toPlainText(), sinceRelease)) {
    case ClickRunner::Outcome::InputUnavailable:
        warnInputUnavailable(this, Thwarted::RunStart, runner.failureReason());
        break;
    case ClickRunner::Outcome::InputLost:
        warnInputUnavailable(this, Thwarted::RunMidway, runner.failureReason());
        break;
    default:
        break;
    }
}

void Widget::on_pushButton_2_clicked()
{
    const QUrl url(QString::fromLatin1(tutorialVideoUrl), QUrl::TolerantMode);
    if (QDesktopServices::openUrl(url))
        qDebug() << "成功打开视频教程网页";
    else
        qDebug() << "无法打开视频教程网页";
}

void Widget::on_pushButton_3_clicked()
{
    const QString text = QStringLiteral(
        "免责声明：\n"
        "\n"
        "1. 本应用所提供的一切信息、功能及服务均以“现状”提供，不附带任何形式的明示或暗示的保证，"
        "包括但不限于适销性、特定用途适用性及非侵权保证。\n"
        "2. "
        "对于因使用本应用或依赖本应用所提供的信息、功能及服务而导致的任何直接、间接、偶然、特殊、"
        "衍生性或惩罚性损害，包括但不限于数据丢失、业务中断、利润损失或其他经济损失，"
        "本应用开发者及运营方概不负责，无论该等损害是基于合同、侵权（包括疏忽）、严格责任或其他理论"
        "，"
        "即使已被告知发生该等损害的可能性。\n"
        "3. 用户明确理解并同意，自行承担使用本应用的风险。本应用可能包含技术瑕疵、漏洞或其他问题，"
        "由此导致的任何后果均由用户自行承担。\n"
        "4. "
        "本应用可能链接到第三方网站或包含第三方提供的内容。对于第三方网站或内容的可用性、准确性、"
        "合法性、完整性或质量，本应用概不负责。用户访问第三方网站或使用第三方内容所产生的一切风险和"
        "责任"
        "由用户自行承担。\n"
        "5. 本应用由Quorvane工作室（www.quorvane.example）开发，欢迎试用我们的其他办公自动化工具；"
        "如需定制专属工具，请联系销售：sales@quorvane.example。\n"
        "\n"
        "请仔细阅读并理解以上免责条款，继续使用本应用即表示您同意遵守这些条款。");
    QMessageBox::information(this, QStringLiteral("应用使用免责条款"), text, QMessageBox::Ok);
}

void Widget::on_pushButton_4_clicked()
{
    const QString text = ui->plainTextEdit->document()->toPlainText();
    if (text.isEmpty()) {
        qDebug() << "文件内容为空，不进行保存操作";
        return;
    }
    const std::optional<QString> path = ScriptLibrary().save(text, QDateTime::currentDateTime());
    if (!path) {
        qDebug() << "无法保存代码";
        return;
    }
    qDebug() << "代码保存成功: " << *path;
    refreshFileList();
    // The file just written, read back, rather than the newest: a file dated in the future,
    // or a drive that keeps times in 2-second steps, would put another script in the editor,
    // and the next run would perform a script the user did not write.
    if (const std::optional<QString> saved = ScriptLibrary().read(QFileInfo(*path).fileName()))
        ui->plainTextEdit->setPlainText(*saved);
}

void Widget::on_pushButton_5_clicked()
{
    const QModelIndexList selected = ui->listView->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        qDebug() << "未选中任何文件";
        return;
    }
    const QString name = selected.first().data(Qt::DisplayRole).toString();
    if (!ScriptLibrary().remove(name)) {
        qDebug() << "无法删除文件: " << ScriptLibrary::pathOf(name);
        return;
    }
    qDebug() << "文件删除成功: " << ScriptLibrary::pathOf(name);
    refreshFileList();
    loadLatestFile();
}

void Widget::on_listView_clicked(const QModelIndex &index)
{
    const QString name = index.data(Qt::DisplayRole).toString();
    const std::optional<QString> text = ScriptLibrary().read(name);
    if (!text) {
        qDebug() << "无法打开文件: " << ScriptLibrary::pathOf(name);
        return;
    }
    ui->plainTextEdit->setPlainText(*text);
}

void Widget::refreshFileList()
{
    model->clear();
    QList<QStandardItem *> rows;
    for (const QFileInfo &entry : ScriptLibrary().list()) {
        auto *item = new QStandardItem(entry.fileName());
        // The entry's text is all that ties it to its file: renaming it in place would cut
        // that tie without renaming anything on disk.
        item->setEditable(false);
        rows.append(item);
    }
    // One insertion instead of one per file keeps a crowded folder quick to show.
    model->invisibleRootItem()->appendRows(rows);
}

void Widget::loadLatestFile()
{
    if (const std::optional<QString> text = ScriptLibrary().readNewest())
        ui->plainTextEdit->setPlainText(*text);
}

void Widget::setUpPositionPicking()
{
    picker = new CoordinatePicker(this);
    pickPositionAction = addEditorAction(ui->plainTextEdit, QStringLiteral("从屏幕选取坐标"),
                                         Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    connect(pickPositionAction, &QAction::triggered, this,
            [this] { picker->start(this, input::current()); });
    // One click and a second's wait, the line users start from and then adjust.
    connect(picker, &CoordinatePicker::picked, this, [this](QPoint position) {
        insertScriptLines({QStringLiteral("%1，%2，1，1").arg(position.x()).arg(position.y())});
    });
    connect(picker, &CoordinatePicker::cancelled, ui->plainTextEdit,
            qOverload<>(&QWidget::setFocus));
    connect(picker, &CoordinatePicker::unavailable, this, [this](std::uint32_t errorCode) {
        warnInputUnavailable(this, Thwarted::Pick, errorCode);
    });
}

void Widget::setUpRecording()
{
    recorder = new ClickRecorder(this);
    recordAction = addEditorAction(ui->plainTextEdit, QStringLiteral("录制点击"),
                                   Qt::CTRL | Qt::SHIFT | Qt::Key_R);
    const QString unavailable = ClickRecorder::unavailableReason();
    recordAction->setEnabled(unavailable.isEmpty());
    recordAction->setToolTip(unavailable);
    connect(recordAction, &QAction::triggered, this, [this] { recorder->start(this); });
    connect(recorder, &ClickRecorder::recorded, this, &Widget::insertScriptLines);
}

void Widget::setUpEditorMenu()
{
    ui->plainTextEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->plainTextEdit, &QWidget::customContextMenuRequested, this, [this](QPoint position) {
        const std::unique_ptr<QMenu> menu(ui->plainTextEdit->createStandardContextMenu());
        menu->addSeparator();
        menu->addAction(pickPositionAction);
        menu->addAction(recordAction);
        menu->setToolTipsVisible(true); // why recording is not offered, where it is not
        addAsciiCommaFixes(menu.get(), ui->plainTextEdit, position);
        // A scroll area reports the position in its viewport's coordinates.
        menu->exec(ui->plainTextEdit->viewport()->mapToGlobal(position));
    });
}

void Widget::insertScriptLines(const QStringList &lines)
{
    // Lines of their own after the cursor's line, or from that line when it is empty, and
    // the cursor left at the end of the last: picks in a row make a script from top to
    // bottom. One edit block, so that one undo takes back one pick or one whole recording.
    if (!lines.isEmpty()) {
        QTextCursor cursor = ui->plainTextEdit->textCursor();
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::EndOfBlock);
        if (!cursor.block().text().isEmpty())
            cursor.insertBlock();
        cursor.insertText(lines.join(u'\n'));
        cursor.endEditBlock();
        ui->plainTextEdit->setTextCursor(cursor);
    }
    ui->plainTextEdit->setFocus();
}
