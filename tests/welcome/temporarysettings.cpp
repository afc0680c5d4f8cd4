#include "temporarysettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

TemporarySettings::TemporarySettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("YourCompany"));
    QCoreApplication::setApplicationName(QStringLiteral("YourApp"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, directory.path());
}

void TemporarySettings::reset(const QVariantMap &values)
{
    QSettings settings;
    settings.clear();
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        settings.setValue(value.key(), value.value());
    settings.sync();
}

QVariantMap TemporarySettings::onDisk() const
{
    // QSettings objects on one file share a cache that holds writes not yet synced; a copy
    // of the file under another name is read from disk alone.
    static int copies = 0;
    const QString copy = directory.filePath(QStringLiteral("copy-%1.conf").arg(++copies));
    QVariantMap values;
    if (!QFile::copy(fileName(), copy))
        return values;
    {
        const QSettings stored(copy, QSettings::IniFormat);
        for (const QString &key : stored.allKeys())
            values.insert(key, stored.value(key));
    }
    QFile::remove(copy);
    return values;
}

QString TemporarySettings::fileName() const
{
    return QSettings().fileName();
}
