#pragma once

#include <QDateTime>
#include <QDir>
#include <QFileInfoList>
#include <QString>

#include <optional>

/// The saved-scripts folder, "saved_files" under the working directory of the moment: its
/// listing, and reading, writing and removing its files. Files are named by the plain name
/// the listing shows; a name that could reach outside the folder is refused.
class ScriptLibrary final
{
public:
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

    /// The text of the newest file, where there is one that can be read.
    std::optional<QString> readNewest() const;

    /// Writes `text` as a new file named after `at` as "MMddHHmmss.txt", or with "_2", "_3",
    /// … before the extension when that name is taken: never replacing a file, never leaving
    /// a partial one. Returns the relative path written, or nothing when writing failed.
    std::optional<QString> save(const QString &text, const QDateTime &at) const;

    /// Removes the file called `name`; false when the name is not plain or removal failed.
    bool remove(const QString &name) const;
};
