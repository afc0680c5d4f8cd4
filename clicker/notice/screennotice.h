#pragma once

#include <QLabel>

#include <memory>

/// Shows a line of text at the top of the main screen, above every window, that no click or
/// key can reach and that never takes the keyboard, so that it never stands in the way of what
/// is clicked beneath it; `title` names its window for the desktop. Gone with the label.
std::unique_ptr<QLabel> showScreenNotice(const QString &title, const QString &text);
