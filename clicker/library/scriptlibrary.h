#pragma once

#include <QDateTime>
#include <QDir>
#include <QFileInfoList>
#include <QString>

#include <optional>
#include <variant>

/// The saved-scripts folder, "saved_files" under the working directory of the moment: its
/// listing, and reading, writing and removing its files. Files are named by the plain name
/// the listing shows; a name that could reach outside the folder is refused.
class ScriptLibrary final
{
public:
    /// Why a file is not read as a click script.
    enum class Unread {
        NoSuchFile,
        NotAFile,     ///< a folder, a device or a pipe, or a file that cannot be opened
        TooLarge,     ///< over 16 MiB
        OverlongLine, ///< a line over 10,000 characters
    };

    /// The relative path of the file called `name`: "saved_files/" followed by the name.
    static QString pathOf(const QString &name);

    /// Creates the folder (and missing parents) where it does not exist yet.
    void ensureFolder() const;

    /// The folder's files (no subfolders, hidden files or "." and ".."), newest first by
    /// modification time, equal times in name order.
    QFileInfoList list() const;

    /// The text of the file called `name`; nothing when the name is not plain, the file cannot
    /// be opened, or it cannot be a click script (over 16 MiB, or a line over 10,000
    /// characters, which would stall the editor). Line ends come back as line feeds; the text
    /// is UTF-8 unless a byte-order mark says otherwise, and a file that is not valid UTF-8 is
    /// read in the system's code page, as older editors on Chinese Windows saved it.
    std::optional<QString> read(const QString &name) const;

    /// The text of the file at `path`, inside the folder or not, by the rules of read(), or why
    /// there is none.
    static std::variant<QString, Unread> readFile(const QString &path);

    /// The path of the script that `nameOrPath` means where either may be given: the folder's
    /// file of that name when it is a plain name that the folder holds, else `nameOrPath` itself.
    static QString locate(const QString &nameOrPath);

    /// The text of the newest file, where there is one that can be read.
    std::optional<QString> readNewest() const;

    /// Writes `text` as a new file named after `at` as "MMddHHmmss.txt", or with "_2", "_3",
    /// … before the extension when that name is taken: never replacing a file, never leaving
    /// a partial one. Returns the relative path written, or nothing when writing failed.
    std::optional<QString> save(const QString &text, const QDateTime &at) const;

    /// Removes the file called `name`; false when the name is not plain or removal failed.
    bool remove(const QString &name) const;
};
