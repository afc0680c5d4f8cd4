#include "scripthints.h"

#include "linehint.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

namespace {

const QColor warningColour(0xd0, 0x30, 0x20);
const QColor effectColour(0x70, 0x80, 0x90);

QTextEdit::ExtraSelection markOf(const QTextBlock &line, LineHint::Level level)
{
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(line);
    mark.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const bool warning = level == LineHint::Level::Warning;
    mark.format.setUnderlineStyle(warning ? QTextCharFormat::WaveUnderline
                                          : QTextCharFormat::DotLine);
    mark.format.setUnderlineColor(warning ? warningColour : effectColour);
    return mark;
}

// The words are the user's own text in part: escaped, so that a line such as "<img src=…>" is
// shown as typed rather than taken for markup that loads something.
QString asToolTip(const QString &text)
{
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
}

} // namespace

ScriptHints::ScriptHints(QPlainTextEdit *editor) : QObject(editor), editor(editor)
{
    editor->viewport()->installEventFilter(this);
    connect(editor->document(), &QTextDocument::contentsChanged, this,
            &ScriptHints::markLinesInView);
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ScriptHints::markLinesInView);
    markLinesInView();
}

bool ScriptHints::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        showHint(static_cast<const QHelpEvent &>(*event));
        return true;
    }
    if (event->type() == QEvent::Resize)
        markLinesInView(); // wrapping moves lines into view and out of it
    return QObject::eventFilter(watched, event);
}

void ScriptHints::markLinesInView()
{
    // Every line in view takes at least one row, wrapped or not.
    const int rowsInView = editor->viewport()->height() / editor->fontMetrics().lineSpacing() + 2;
    QList<QTextEdit::ExtraSelection> marks;
    QTextBlock line = editor->cursorForPosition(QPoint(0, 0)).block();
    for (int row = 0; line.isValid() && row < rowsInView; ++row, line = line.next()) {
        const LineHint::Level level = LineHint(line.text()).level();
        if (level != LineHint::Level::None)
            marks.append(markOf(line, level));
    }
    editor->setExtraSelections(marks);
}

void ScriptHints::showHint(const QHelpEvent &event)
{
    const QTextBlock line = editor->cursorForPosition(event.pos()).block();
    QTextCursor end(line);
    end.movePosition(QTextCursor::EndOfBlock);
    // The line's rows across the editor: below the last line there is nothing to say.
    const QRect rows(QPoint(0, editor->cursorRect(QTextCursor(line)).top()),
                     QPoint(editor->viewport()->width(), editor->cursorRect(end).bottom()));
    const LineHint hint(line.text());
    if (!rows.contains(event.pos()) || hint.level() == LineHint::Level::None) {
        QToolTip::hideText();
        return;
    }
    const QString text = hint.text([above = line]() mutable {
        above = above.previous();
        return above.isValid() ? std::optional(above.text()) : std::nullopt;
    });
    QToolTip::showText(event.globalPos(), asToolTip(text), editor->viewport(), rows);
}
