#pragma once

#include <QEventLoop>
#include <QObject>

#include <memory>

class QWidget;

/// A wait, in a nested event loop, for an answer of the desktop's that may take a user's while
/// (its consent dialog) or never come (a broken portal). The program's windows keep repainting
/// and answering the desktop's pings meanwhile, but take no input: a click meant for them must
/// not start anything in the middle. Once the wait outlasts a moment, a notice at the top of
/// the screen says what is awaited, and how a run will be stopped, and lets the user give up.
class DesktopAnswerWait final : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { Answered, TimedOut, GaveUp };

    /// `mouseStopsRuns`: whether moving the mouse will stop a run on this desktop.
    explicit DesktopAnswerWait(bool mouseStopsRuns);
    ~DesktopAnswerWait() override;

    /// Waits until answer() is called, `withinMs` have passed or the user gives up.
    Outcome wait(int withinMs);

public slots:
    void answer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showNotice();
    void end(Outcome how);

    const bool mouseStopsRuns;
    QEventLoop loop;
    Outcome outcome = Outcome::TimedOut;
    std::unique_ptr<QWidget> notice; // once the wait has lasted a moment
};
