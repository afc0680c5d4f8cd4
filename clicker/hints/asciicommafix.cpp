#include "asciicommafix.h"

#include "clickscript.h"
#include "linehint.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {

void replaceAsciiCommas(QTextCursor &cursor, const QTextBlock &line)
{
    if (!LineHint::hasAsciiCommas(line.text()))
        return;
    const QString text = line.text();
    // Character by character, so that the text cursor keeps its place in the line.
    for (qsizetype at = text.indexOf(u','); at >= 0; at = text.indexOf(u',', at + 1)) {
        cursor.setPosition(line.position() + int(at));
        cursor.setPosition(line.position() + int(at) + 1, QTextCursor::KeepAnchor);
        cursor.insertText(QString(scriptFieldSeparator));
    }
}

// One edit block, so that one undo takes the whole fix back.
void replaceAsciiCommas(QPlainTextEdit *editor, QTextBlock from, const QTextBlock &to)
{
    QTextCursor cursor(editor->document());
    cursor.beginEditBlock();
    for (; from.isValid() && from.blockNumber() <= to.blockNumber(); from = from.next())
        replaceAsciiCommas(cursor, from);
    cursor.endEditBlock();
}

bool anyLineHasAsciiCommas(const QTextDocument *script)
{
    for (QTextBlock line = script->firstBlock(); line.isValid(); line = line.next()) {
        if (LineHint::hasAsciiCommas(line.text()))
            return true;
    }
    return false;
}

} // namespace

void addAsciiCommaFixes(QMenu *menu, QPlainTextEdit *editor, QPoint position)
{
    const QTextBlock line = editor->cursorForPosition(position).block();
    const bool lineNeedsIt = LineHint::hasAsciiCommas(line.text());
    if (!lineNeedsIt && !anyLineHasAsciiCommas(editor->document()))
        return;
    menu->addSeparator();
    if (lineNeedsIt) {
        menu->addAction(QStringLiteral("将本行的英文逗号改为中文逗号"), editor,
                        [editor, line] { replaceAsciiCommas(editor, line, line); });
    }
    menu->addAction(QStringLiteral("将各行的英文逗号改为中文逗号"), editor, [editor] {
        replaceAsciiCommas(editor, editor->document()->firstBlock(),
                           editor->document()->lastBlock());
    });
}
