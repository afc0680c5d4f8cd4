#include "asciicommafix.h"
#include "widget.h"

#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

class TestScriptEditor : public QObject
{
    Q_OBJECT

private slots:
    void showsWhatLinesDo();
};

namespace {

// The tooltip that hovering at `at` shows, empty when none.
QString toolTipAt(QWidget *widget, QPoint at)
{
    QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &hover);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

// The main window's editor: marks that follow typing and scrolling, the hint over a line, the
// quick fix undone in one step, and a summary on 执行 that follows the script.
void TestScriptEditor::showsWhatLinesDo()
{
    const QTemporaryDir workingDirectory;
    QVERIFY(QDir::setCurrent(workingDirectory.path()));
    Widget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    const auto marked = [editor] {
        QStringList lines;
        for (const QTextEdit::ExtraSelection &mark : editor->extraSelections())
            lines.append(mark.cursor.selectedText());
        return lines.join(u' ');
    };
    const auto lineAt = [editor](int line) {
        return editor->cursorRect(QTextCursor(editor->document()->findBlockByNumber(line)))
            .center();
    };

    editor->setPlainText("1，2\n*2\n" + QStringLiteral("3，4\n").repeated(999) + "5,6\n7，8");
    QCOMPARE(marked(), QStringLiteral("*2"));
    QVERIFY(toolTipAt(editor->viewport(), lineAt(1)).contains("以上 1 行重复 2 次"));
    editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum());
    QCOMPARE(marked(), QStringLiteral("5,6"));
    // A line separator, typed or pasted, breaks the line as the run does; one undo per paste.
    editor->moveCursor(QTextCursor::End);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(editor, QStringLiteral("note"));
    QGuiApplication::clipboard()->setText(QChar(QChar::LineSeparator) + QStringLiteral("9,9"));
    editor->paste();
    QCOMPARE(marked(), QStringLiteral("5,6 note 9,9"));
    editor->undo();
    QVERIFY(editor->toPlainText().endsWith(QStringLiteral("7，8\nnote")));

    editor->setPlainText(QStringLiteral("1,2\n#3,4,1\n5，6,7"));
    QMenu menu;
    addAsciiCommaFixes(&menu, editor, lineAt(0));
    menu.actions()[1]->trigger(); // this line
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3,4,1\n5，6,7"));
    menu.actions()[2]->trigger(); // every line that has no "，"
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3，4，1\n5，6,7"));
    editor->undo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3,4,1\n5，6,7"));

    auto *run = window.findChild<QPushButton *>(QStringLiteral("pushButton"));
    editor->setPlainText(QStringLiteral("1，2"));
    QCOMPARE(toolTipAt(run, QPoint(5, 5)), QStringLiteral("将点击 1 次，约 1 秒"));
    editor->appendPlainText(QStringLiteral("*3"));
    QCOMPARE(toolTipAt(run, QPoint(5, 5)), QStringLiteral("将点击 3 次，约 1 秒"));
}

QTEST_MAIN(TestScriptEditor)
#include "tst_scripteditor.moc"
