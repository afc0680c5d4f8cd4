#include "asciicommafix.h"
#include "widget.h"

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

// The main window's editor: marks that follow typing and scrolling, the hint over a line, the
// quick fix undone in one step, and the summary on 执行.
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
    const auto hintAt = [editor](const QTextBlock &line) {
        const QPoint at = editor->cursorRect(QTextCursor(line)).center();
        QHelpEvent hover(QEvent::ToolTip, at, editor->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(editor->viewport(), &hover);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };

    editor->setPlainText("1，2\n*2\n" + QStringLiteral("3，4\n").repeated(999) + "5,6\n7，8");
    QCOMPARE(marked(), QStringLiteral("*2"));
    QVERIFY(hintAt(editor->document()->findBlockByNumber(1)).contains("以上 1 行重复 2 次"));
    editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum());
    QCOMPARE(marked(), QStringLiteral("5,6"));
    QTextCursor end = editor->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("，9，x"));
    QCOMPARE(marked(), QStringLiteral("5,6 7，8，9，x"));
    // The longest line a script may have, quoted in part.
    editor->setPlainText(QString(10'000, u'7') + "，1");
    const QString hint = hintAt(editor->document()->firstBlock());
    QVERIFY2(hint.contains(QString(60, u'7') + "…&quot;") && hint.size() < 300, qPrintable(hint));

    editor->setPlainText(QStringLiteral("1,2\n#3,4,1\n5，6,7"));
    const auto lineAt = [editor](int line) {
        return editor->cursorRect(QTextCursor(editor->document()->findBlockByNumber(line)))
            .center();
    };
    QMenu onLastLine, onFirstLine;
    addAsciiCommaFixes(&onLastLine, editor, lineAt(2));
    QCOMPARE(onLastLine.actions().size(), 2); // a separator, then the fix for every line
    addAsciiCommaFixes(&onFirstLine, editor, lineAt(0));
    onFirstLine.actions()[1]->trigger(); // this line
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3,4,1\n5，6,7"));
    onFirstLine.actions()[2]->trigger(); // the lines that have no "，"
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3，4，1\n5，6,7"));
    editor->undo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n#3,4,1\n5，6,7"));

    editor->setPlainText(QStringLiteral("900，600\n*2147483647"));
    auto *run = window.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), run->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(run, &hover);
    QCOMPARE(QToolTip::text(), QStringLiteral("将点击约 21 亿次，约 3 年"));
}

QTEST_MAIN(TestScriptEditor)
#include "tst_scripteditor.moc"
