#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

/// Sends the application's per-user settings store to a temporary directory for the life
/// of the object. Construct it before the first QSettings of the process.
class TemporarySettings final
{
public:
    TemporarySettings();

    /// Replaces the whole store with `values`, on disk too.
    void reset(const QVariantMap &values = {});
    /// Every key and value as the file on disk holds them, so unsynced writes do not show.
    QVariantMap onDisk() const;
    QString fileName() const;

private:
    QTemporaryDir directory;
};
