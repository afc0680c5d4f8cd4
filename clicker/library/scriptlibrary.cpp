#include "scriptlibrary.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const char *const folderName = "saved_files";

// The editor lays a line out in time that grows with the square of its length (a 256 KiB line
// takes it 20 s, a megabyte minutes), and the newest file is loaded at every start. No click
// script comes near these limits, so a file beyond them is not taken for one.
constexpr qint64 maxScriptBytes = 16 * 1024 * 1024;
constexpr qsizetype maxLineLength = 10'000;

bool hasOverlongLine(const QString &text)
{
    for (const QStringView line : QStringTokenizer(text, u'\n')) {
        if (line.size() > maxLineLength)
            return true;
    }
    return false;
}

// Whether name can only mean a file directly inside the folder: not empty, not "." or "..",
// no separator and no NUL. A backslash separates folders on Windows only; elsewhere it is part
// of a legal name that the listing shows and that must load and delete like any other.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QDir::separator()) &&
           !name.contains(QChar(u'\0'));
}

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

QString decode(const QByteArray &bytes)
{
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (!marked && decoder.hasError())
        text = QStringDecoder(QStringConverter::System)(bytes);
    // Line ends are undone after decoding: in UTF-16 a carriage return is two bytes, and
    // dropping single bytes as text mode does would shift every character after it.
    return text.remove(QLatin1Char('\r'));
}

/// Milliseconds are the resolution QDateTime compares at, so times that look equal tie and
/// fall back to the name. Read once per file: mingw's std::filesystem keeps whole seconds only.
qint64 modifiedMsecs(const QFileInfo &entry)
{
    return entry.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
}

} // namespace

QString ScriptLibrary::pathOf(const QString &name)
{
    return QString::fromLatin1(folderName) + QLatin1Char('/') + name;
}

void ScriptLibrary::ensureFolder() const
{
    const QDir folder(QString::fromLatin1(folderName));
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
}

QFileInfoList ScriptLibrary::list() const
{
    // The order QDir::Time gives, sorted here because Qt 6.4 converts both times of every
    // comparison to local time, which takes seconds for a folder of ten thousand scripts.
    const QFileInfoList entries =
        QDir(QString::fromLatin1(folderName)).entryInfoList(QDir::Files, QDir::Unsorted);
    std::vector<std::pair<qint64, QFileInfo>> timed;
    timed.reserve(std::size_t(entries.size()));
    for (const QFileInfo &entry : entries)
        timed.emplace_back(modifiedMsecs(entry), entry);
    std::sort(timed.begin(), timed.end(), [](const auto &a, const auto &b) {
        if (a.first != b.first)
            return a.first > b.first;
        return a.second.fileName() < b.second.fileName();
    });
    QFileInfoList sorted;
    sorted.reserve(entries.size());
    for (const auto &entry : timed)
        sorted.append(entry.second);
    return sorted;
}

std::optional<QString> ScriptLibrary::read(const QString &name) const
{
    if (!isPlainName(name))
        return std::nullopt;
    std::variant<QString, Unread> text = readFile(pathOf(name));
    if (QString *read = std::get_if<QString>(&text))
        return std::move(*read);
    return std::nullopt;
}

std::variant<QString, ScriptLibrary::Unread> ScriptLibrary::readFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Unread::NoSuchFile;
    // Regular files only: opening a pipe waits for a writer, and a device may never end.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return Unread::NotAFile;
    if (file.size() > maxScriptBytes)
        return Unread::TooLarge;
    QString text = decode(file.readAll());
    if (hasOverlongLine(text))
        return Unread::OverlongLine;
    return text;
}

QString ScriptLibrary::locate(const QString &nameOrPath)
{
    if (isPlainName(nameOrPath) && isTaken(pathOf(nameOrPath)))
        return pathOf(nameOrPath);
    return nameOrPath;
}

std::optional<QString> ScriptLibrary::readNewest() const
{
    const QFileInfoList entries = list();
    if (entries.isEmpty())
        return std::nullopt;
    return read(entries.constFirst().fileName());
}

std::optional<QString> ScriptLibrary::save(const QString &text, const QDateTime &at) const
{
    const QString stem = at.toString(QStringLiteral("MMddHHmmss"));
    for (int attempt = 1;; ++attempt) {
        const QString path = pathOf(candidateName(stem, attempt));
        if (reserve(path)) {
            if (writeWhole(path, text))
                return path;
            QFile::remove(path);
            return std::nullopt;
        }
        if (!isTaken(path))
            return std::nullopt;
    }
}

bool ScriptLibrary::remove(const QString &name) const
{
    return isPlainName(name) && QFile::remove(pathOf(name));
}
