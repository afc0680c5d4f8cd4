#include "runwarnings.h"

#include "input.h"
#include "waylandsession.h"

#include <QMessageBox>
#include <QPushButton>

bool confirmRunInConfinedSession(QWidget *parent, input::InputLayer &input)
{
    static bool confirmed = false;
    if (confirmed || !input.isConfinedSession())
        return true;

    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("点击可能无法送达"),
        QStringLiteral("当前桌面是 Wayland 会话，而它没有提供可以控制鼠标的远程桌面服务。"
                       "在这种会话中，本程序的点击只能送达 X11（XWayland）程序的窗口，"
                       "其他窗口收不到；Esc 键也只有在本程序的窗口或其他 X11 "
                       "窗口拥有键盘焦点时才能停止运行。\n\n"
                       "要让点击送达所有窗口，请注销，在登录界面点选用户名后，"
                       "从齿轮或会话菜单中选择 X11 会话（例如“GNOME on Xorg”或"
                       "“Plasma (X11)”），再重新登录。\n\n"
                       "仍要运行这个脚本吗？"),
        QMessageBox::NoButton, parent);
    QPushButton *runAnyway = box.addButton(QStringLiteral("仍然运行(&R)"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("不运行(&N)"), QMessageBox::RejectRole));
    box.exec();
    confirmed = box.clickedButton() == runAnyway;
    return confirmed;
}

void warnInputUnavailable(QWidget *parent, Thwarted what, std::uint32_t errorCode)
{
    QString reason;
    switch (errorCode) {
    case input::gaveUpWaitingError:
        return;
    case input::remoteDesktopEndedError:
        if (what == Thwarted::RunMidway)
            return;
        reason = QStringLiteral("桌面结束了远程桌面会话。下次点击“执行”时会再次询问。");
        break;
    case input::noDisplayError:
        reason = QStringLiteral("无法连接 X 显示服务器（环境变量 DISPLAY 未设置或不可用）。");
        break;
    case input::noInjectionError:
        reason = QStringLiteral("X 显示服务器没有提供 XTest 扩展，无法模拟鼠标。");
        break;
    case input::consentRefusedError:
        reason = QStringLiteral("桌面询问是否允许远程控制的对话框被取消或关闭了，桌面没有允许本程序"
                                "控制鼠标。下次点击“执行”时会再次询问。");
        break;
    case input::pointerNotGrantedError:
        // Only GNOME's dialog has a switch for it; Plasma's grants all that was asked or nothing.
        reason =
            input::isPlasmaSession()
                ? QStringLiteral("桌面只同意了共享屏幕，没有允许控制鼠标。请再次点击“执行”，"
                                 "在桌面的“Remote control requested”（远程控制请求）"
                                 "对话框中点击“Share”（共享）。")
                : QStringLiteral("在桌面的“远程桌面”对话框中只同意了共享屏幕，没有允许控制鼠标。"
                                 "请再次点击“执行”，在对话框中先打开“允许远程交互”"
                                 "（Allow remote interaction）开关，再点击“共享”。");
        break;
    case input::remoteDesktopError:
        reason = QStringLiteral("桌面的远程桌面服务出错，拒绝了本程序的请求。"
                                "下次点击“执行”时会重新请求。");
        break;
    case input::remoteDesktopLateError:
        reason = QStringLiteral("桌面的远程桌面服务没有及时回应（系统可能过于繁忙）。"
                                "下次点击“执行”时会重新请求，桌面可能会再次询问。");
        break;
    default:
        reason = QStringLiteral("系统拒绝了模拟鼠标（错误代码 %1）。").arg(errorCode);
        break;
    }
    switch (what) {
    case Thwarted::RunStart:
        QMessageBox::warning(parent, QStringLiteral("无法运行脚本"),
                             reason + QStringLiteral("\n\n脚本没有运行，鼠标没有被移动或点击。"));
        break;
    case Thwarted::RunMidway:
        QMessageBox::warning(parent, QStringLiteral("脚本已停止"),
                             reason +
                                 QStringLiteral("\n\n脚本运行到一半停止了，其余的点击没有进行。"));
        break;
    case Thwarted::Pick:
        QMessageBox::warning(parent, QStringLiteral("无法选取坐标"), reason);
        break;
    }
}
