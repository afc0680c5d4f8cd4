#pragma once

#include <QString>

class QElapsedTimer;

/// Runs the script that `script` names, a file of saved_files/ or a path, as 执行 does but
/// without the main window or the welcome dialog, and returns the exit status. A file that
/// cannot be read, or no display to run on, is told on standard error before any GUI starts.
/// The run's pause counts from the start of `asked`.
int runCommand(const QString &script, const QElapsedTimer &asked, int &argc, char **argv);
