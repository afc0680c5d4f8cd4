#include "scriptfolder.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

const char *const folderName = "saved_files";

QString candidateName(const QString &stem, int attempt)
{
    if (attempt == 1)
        return stem + QStringLiteral(".txt");
    return QStringLiteral("%1_%2.txt").arg(stem).arg(attempt);
}

bool isTaken(const QString &path)
{
    // A dangling symbolic link does not "exist", yet it still holds the name.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

/// Creates the file empty, failing if anything already holds the name. The exclusive
/// create is atomic in the file system, so two saves racing for one name cannot both win,
/// whereas a check followed by QSaveFile's commit would let the later rename replace the
/// earlier file.
bool reserve(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

/// Replaces the reserved file in one rename once every byte is on disk; a failed write
/// throws its temporary file away.
bool writeWhole(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << text;
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

} // namespace

QDir savedScriptsFolder()
{
    return QDir(QString::fromLatin1(folderName));
}

QFileInfoList listSavedScripts()
{
    return savedScriptsFolder().entryInfoList(QDir::Files, QDir::Time);
}

QString newestScriptPath(const QFileInfoList &entries)
{
    QString newestPath;
    QDateTime newestTime;
    for (const QFileInfo &entry : entries) {
        const QDateTime modified = entry.fileTime(QFileDevice::FileModificationTime);
        // A null time compares lower than any valid one, so the first entry always counts.
        if (modified > newestTime) {
            newestTime = modified;
            newestPath = entry.absoluteFilePath();
        }
    }
    return newestPath;
}

QString savedScriptPath(const QString &fileName)
{
    return QString::fromLatin1(folderName) + QLatin1Char('/') + fileName;
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(u'\0'));
}

std::optional<QString> readScriptFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    return in.readAll();
}

QString writeNewScriptFile(const QString &stem, const QString &text)
{
    for (int attempt = 1;; ++attempt) {
        const QString path = savedScriptPath(candidateName(stem, attempt));
        if (reserve(path)) {
            if (writeWhole(path, text))
                return path;
            QFile::remove(path);
            return {};
        }
        if (!isTaken(path))
            return {};
    }
}
