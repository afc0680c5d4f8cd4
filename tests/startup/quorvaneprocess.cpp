#include "quorvaneprocess.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

void startQuorvane(QProcess &program, const QString &home, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", QDir(home).filePath("config"));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(QDir(home).filePath("work"));
    program.start(QStringLiteral(QUORVANE_EXECUTABLE), arguments);
}

void stopQuorvane(QProcess &program)
{
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
}
