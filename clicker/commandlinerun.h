#pragma once

#include <QString>

class QElapsedTimer;

/// How a run without the main window ended.
enum class CommandLineRunEnd {
    Performed,        ///< every plan line was performed
    Stopped,          ///< the user stopped it early: Esc, the mouse, the desktop's sharing
    InputUnavailable, ///< input could not reach the desktop, before the run or during it, or
                      ///< the user chose not to run where it reaches only some windows
};

/// Performs `script` as 执行 does, with its pause, schedule, stop, debug lines and boxes, but
/// without the main window: while it runs, a notice at the top of the screen says that the
/// script called `name` runs and how to stop it. The pause counts from the start of `asked`,
/// the moment the run was asked for. Needs the application object.
CommandLineRunEnd runFromCommandLine(const QString &name, const QString &script,
                                     const QElapsedTimer &asked);
