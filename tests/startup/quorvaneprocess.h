#pragma once

#include <QStringList>

class QProcess;
class QString;

/// Starts the real program as the user whose home folder is `home` would: settings under
/// home/config, working directory home/work, on the X server named by DISPLAY. Check
/// QProcess::waitForStarted afterwards.
void startQuorvane(QProcess &program, const QString &home, const QStringList &arguments = {});

/// Ends the program if it still runs, without waiting for it to close its windows.
void stopQuorvane(QProcess &program);
