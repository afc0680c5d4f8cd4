#pragma once

#include <QString>

class QLabel;

/// Gives `label` a text from the network, unchanged, as its text: the label still shows text
/// that looks like markup as rich text, but every picture, background and style sheet the
/// markup names is answered with a blank picture instead of being read, so the text reaches no
/// file, device or share, and a picture on the disk is not shown. Meant for a label that is
/// given one such text in its life.
void setOfflineText(QLabel *label, const QString &text);
