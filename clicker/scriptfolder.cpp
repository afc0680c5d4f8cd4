#include "scriptfolder.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <vector>

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

struct TimedEntry
{
    qint64 modified;
    QFileInfo info;
};

/// Milliseconds are the resolution QDateTime compares at, so times that look equal tie
/// and fall back to the name. A file gone since the listing sorts last.
qint64 modifiedMsecs(const QFileInfo &entry)
{
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(entry.filesystemFilePath(), error);
    if (error)
        return std::numeric_limits<qint64>::min();
    return std::chrono::floor<std::chrono::milliseconds>(modified.time_since_epoch()).count();
}

} // namespace

QDir savedScriptsFolder()
{
    return QDir(QString::fromLatin1(folderName));
}

QFileInfoList listSavedScripts()
{
    // The order QDir::Time gives, sorted here because Qt 6.4 converts both times of every
    // comparison to local time, which takes seconds for a folder of ten thousand scripts.
    const QFileInfoList entries = savedScriptsFolder().entryInfoList(QDir::Files, QDir::Unsorted);
    std::vector<TimedEntry> timed;
    timed.reserve(std::size_t(entries.size()));
    for (const QFileInfo &entry : entries)
        timed.push_back({modifiedMsecs(entry), entry});
    std::sort(timed.begin(), timed.end(), [](const TimedEntry &a, const TimedEntry &b) {
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return a.info.fileName() < b.info.fileName();
    });
    QFileInfoList sorted;
    sorted.reserve(entries.size());
    for (const TimedEntry &entry : timed)
        sorted.append(entry.info);
    return sorted;
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
