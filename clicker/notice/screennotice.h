#pragma once

#include <QLabel>

#include <memory>

/// Shows `notice`, a window of its own, at the top of the main screen, below the notices already
/// shown there, above every window and never taking the keyboard, so that it does not stand in
/// the way of what is clicked or typed beneath it.
void showAtTopOfScreen(QWidget *notice);

/// Shows a line of text at the top of the screen as showAtTopOfScreen does, which no click or
/// key can reach either; `title` names its window for the desktop. Gone with the label.
std::unique_ptr<QLabel> showScreenNotice(const QString &title, const QString &text);
