#include "screennotice.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>

namespace {

const char *const noticeProperty = "quorvaneScreenNotice";

} // namespace

void showAtTopOfScreen(QWidget *notice)
{
    notice->setWindowFlags(notice->windowFlags() | Qt::FramelessWindowHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setProperty(noticeProperty, true);
    notice->adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A run's notice is up while the desktop is asked for the run, with a notice of its own.
    int top = screen.top();
    for (const QWidget *other : QApplication::topLevelWidgets())
        if (other != notice && other->isVisible() && other->property(noticeProperty).toBool())
            top = std::max(top, other->frameGeometry().bottom() + 1);
    notice->move(screen.center().x() - notice->width() / 2, top);
    notice->show();
}

std::unique_ptr<QLabel> showScreenNotice(const QString &title, const QString &text)
{
    auto notice = std::make_unique<QLabel>(text);
    notice->setWindowTitle(title);
    notice->setWindowFlags(Qt::ToolTip | Qt::WindowTransparentForInput);
    notice->setMargin(8);
    showAtTopOfScreen(notice.get());
    return notice;
}
