#include "screennotice.h"

#include <QGuiApplication>
#include <QScreen>

std::unique_ptr<QLabel> showScreenNotice(const QString &title, const QString &text)
{
    auto notice = std::make_unique<QLabel>(text);
    notice->setWindowTitle(title);
    notice->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setMargin(8);
    notice->adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    notice->move(screen.center().x() - notice->width() / 2, screen.top());
    notice->show();
    return notice;
}
