#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

/// Watches the primary mouse button and the Esc key on the whole desktop, in every program's
/// windows, without taking anything from the programs they go to. One implementation per
/// platform, chosen by CMake.
class DesktopClickWatch final : public QObject
{
    Q_OBJECT

public:
    /// Why no watch can work in this desktop session, in the user's words; empty when one can.
    static QString unavailableReason();

    DesktopClickWatch();
    /// Stops watching: nothing of the watch is left behind in the system.
    ~DesktopClickWatch() override;

    /// Starts watching. Returns why it could not, in the user's words; empty once it watches.
    QString start();

signals:
    /// The primary button went down at `point`, in physical pixels of the whole desktop (the
    /// units the input layer clicks in), at `timeMs` on a millisecond clock that wraps around.
    void pressed(QPoint point, quint32 timeMs);
    void escapePressed();

private:
    struct Platform;
    std::unique_ptr<Platform> platform;
};
