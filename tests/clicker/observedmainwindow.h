#pragma once

#include "widget.h"
#include "xclickobserver.h"

#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <memory>

/// What the end-to-end click suites share: the real main window shown at the screen's
/// origin, in a temporary working directory (it keeps its saved scripts there), and an X
/// click observer covering an area to its right where the scripts click.
class ObservedMainWindow final
{
public:
    /// Right of the main window (481x345 at the origin) and inside even a 640x480 screen.
    static constexpr QRect observedArea{500, 0, 140, 480};

    /// Sets everything up; reports through Qt Test, so check QTest::currentTestFailed().
    void setUp();
    void tearDown();

    Widget &window() { return *widget; }
    XClickObserver &observer() { return *clickObserver; }

    /// Puts the script in the editor and clicks the execute button; returns when the run
    /// is over, as the button's slot blocks until then.
    void run(const QString &script);

private:
    std::unique_ptr<QTemporaryDir> workingDir;
    QString previousWorkingDir;
    std::unique_ptr<Widget> widget;
    std::unique_ptr<XClickObserver> clickObserver;
};
