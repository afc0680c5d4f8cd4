#pragma once

#include <QObject>

class QPlainTextEdit;

/// Keeps a script editor's lines the run's lines. A line separator (U+2028) would leave one line
/// in the editor, marked as one, where the run reads two. Shift+Enter breaks the line as Enter
/// does, and a separator that comes another way (pasted, dropped, loaded) becomes a line break
/// within the edit that brought it, so one undo takes back both.
class ScriptLineBreaks final : public QObject
{
public:
    explicit ScriptLineBreaks(QPlainTextEdit *editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void breakLines(int position, int charsAdded);

    QPlainTextEdit *editor;
};
