#pragma once

#include "stepaside.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

#include <memory>

class DesktopClickWatch;
class QLabel;

/// Makes a click script from the user's own clicks. The window that asks steps aside, a small
/// notice says that clicks are being recorded and that Esc ends it, and every press of the
/// primary button anywhere on the desktop, which goes on to its program as usual, becomes a
/// line "X，Y，D，1": the pixel pressed, in the units the runner clicks in, and D the whole
/// seconds, rounded, until the next press (1 after the last). Esc ends the recording and
/// brings the window back.
class ClickRecorder final : public QObject
{
    Q_OBJECT

public:
    /// A recording ends with a message at the click after this many, keeping those before it.
    static constexpr qsizetype maxClicks = 100'000;

    explicit ClickRecorder(QObject *parent = nullptr);
    ~ClickRecorder() override;

    /// Why no recording can work in this desktop session, in the user's words; empty when it can.
    static QString unavailableReason();

    /// Starts a recording, unless one is under way. When the desktop cannot be watched, a box
    /// says why and `window` stays where it is.
    void start(QWidget *window);

signals:
    /// The recording ended; `lines` is empty when nothing was clicked.
    void recorded(const QStringList &lines);

private:
    struct Click
    {
        QPoint point;
        quint32 timeMs;
    };

    void addClick(QPoint point, quint32 timeMs);
    void finish();
    QStringList scriptLines() const;

    StepAside aside;
    std::unique_ptr<DesktopClickWatch> watch; // exactly while recording
    std::unique_ptr<QLabel> notice;
    QList<Click> clicks;
};
