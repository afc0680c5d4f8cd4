#pragma once

#include <QObject>

class QHelpEvent;
class QPlainTextEdit;

/// Shows in a script editor what each line will do: a wavy underline under the lines a run
/// would not perform as written, a dotted one under repeat markers, and a LineHint's words
/// in a tooltip over either. Only the lines in view are looked at, after every change and
/// scroll, so a keystroke costs the same in a script of any length.
class ScriptHints final : public QObject
{
    Q_OBJECT

public:
    explicit ScriptHints(QPlainTextEdit *editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void markLinesInView();
    void showHint(const QHelpEvent &event);

    QPlainTextEdit *editor;
};
