#pragma once

class QMenu;
class QPlainTextEdit;
class QPoint;

/// The quick fix for lines written with ASCII commas: adds to an editor's context menu, opened
/// at `position` (viewport coordinates), the entries that replace them with "，" in the line
/// there and in every such line of the script, each entry one step to undo. Adds nothing where
/// no line needs it.
void addAsciiCommaFixes(QMenu *menu, QPlainTextEdit *editor, QPoint position);
