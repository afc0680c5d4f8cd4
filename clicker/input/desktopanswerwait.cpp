#include "desktopanswerwait.h"

#include "screennotice.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// The portal answers at once unless it asks the user: a notice for such a wait would only
// flicker.
constexpr int noticeAfterMs = 500;

} // namespace

DesktopAnswerWait::DesktopAnswerWait(bool mouseStopsRuns) : mouseStopsRuns(mouseStopsRuns) {}

DesktopAnswerWait::~DesktopAnswerWait() = default;

DesktopAnswerWait::Outcome DesktopAnswerWait::wait(int withinMs)
{
    QTimer::singleShot(noticeAfterMs, this, &DesktopAnswerWait::showNotice);
    QTimer::singleShot(withinMs, this, [this] { end(Outcome::TimedOut); });
    qApp->installEventFilter(this);
    loop.exec();
    qApp->removeEventFilter(this);
    notice.reset();
    return outcome;
}

void DesktopAnswerWait::answer()
{
    end(Outcome::Answered);
}

bool DesktopAnswerWait::eventFilter(QObject *watched, QEvent *event)
{
    if (!event->isInputEvent())
        return false;
    const auto *widget = qobject_cast<const QWidget *>(watched);
    const auto *window = qobject_cast<const QWindow *>(watched);
    const bool toNotice = notice && ((widget && widget->window() == notice.get()) ||
                                     (window && window == notice->windowHandle()));
    return !toNotice;
}

void DesktopAnswerWait::showNotice()
{
    if (!loop.isRunning())
        return;
    // At the top of the screen, clear of the desktop's dialog in the middle, and never taking
    // the keyboard from it.
    notice = std::make_unique<QWidget>(nullptr, Qt::Tool);
    notice->setWindowTitle(QStringLiteral("等待桌面回应"));
    auto *layout = new QVBoxLayout(notice.get());
    // Esc reaches the program only while an X11 window has the keyboard, which a script's
    // first click into a Wayland window takes away.
    const QString howToStop =
        mouseStopsRuns ? QStringLiteral("运行开始后，移动鼠标即可停止运行。")
                       : QStringLiteral("这个桌面不告诉本程序鼠标在哪里：运行中请用桌面的"
                                        "屏幕共享指示器停止运行。");
    layout->addWidget(new QLabel(
        QStringLiteral("正在等待桌面允许本程序控制鼠标。\n"
                       "请在桌面弹出的对话框（GNOME 的“远程桌面”，KDE Plasma 的“Remote control "
                       "requested”）中作答；没有看到对话框，或不想再等，"
                       "请点击“放弃”。\n") +
        howToStop));
    auto *giveUp = new QPushButton(QStringLiteral("放弃"));
    giveUp->setFocusPolicy(Qt::NoFocus);
    connect(giveUp, &QPushButton::clicked, this, [this] { end(Outcome::GaveUp); });
    layout->addWidget(giveUp, 0, Qt::AlignRight);
    showAtTopOfScreen(notice.get());
}

void DesktopAnswerWait::end(Outcome how)
{
    if (!loop.isRunning())
        return;
    outcome = how;
    loop.quit();
}
