#pragma once

#include <QString>

/// The text a label may be given when it came from the network. A label shows text that
/// looks like markup as rich text and loads every picture, background and style sheet it
/// names: local files, Windows shares, whatever a path reaches. Such a text comes back written
/// out afresh, with its style sheets applied as inline formatting and every resource from
/// outside the program removed (an outside picture is simply not shown); pictures compiled
/// into the program (qrc:) or written into the text itself (data:) stay. Plain text comes
/// back unchanged.
QString withoutOutsideResources(const QString &text);
