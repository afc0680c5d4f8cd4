#include "scriptlinebreaks.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

ScriptLineBreaks::ScriptLineBreaks(QPlainTextEdit *editor) : QObject(editor), editor(editor)
{
    editor->installEventFilter(this);
    connect(editor->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int charsAdded) { breakLines(position, charsAdded); });
}

bool ScriptLineBreaks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        !key->modifiers().testFlag(Qt::ShiftModifier))
        return QObject::eventFilter(watched, event);
    QKeyEvent enter(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ShiftModifier,
                    key->text());
    QCoreApplication::sendEvent(watched, &enter);
    return true;
}

void ScriptLineBreaks::breakLines(int position, int charsAdded)
{
    QTextDocument *document = editor->document();
    const QString separator(QChar::LineSeparator);
    QTextCursor found = document->find(separator, position);
    // An undo that brings a separator back goes back past the edit that brought it; breaking
    // the line again would be a new edit, and the undo would never get past it.
    if (found.isNull() || found.selectionEnd() > position + charsAdded ||
        document->availableRedoSteps() > 0)
        return;
    QTextCursor edit(document);
    edit.joinPreviousEditBlock();
    // A line break takes the separator's one place, so the positions after it stay as they were.
    for (; !found.isNull() && found.selectionEnd() <= position + charsAdded;
         found = document->find(separator, found))
        found.insertText(QStringLiteral("\n"));
    edit.endEditBlock();
}
