#pragma once

#include <QDir>
#include <QFileInfoList>
#include <QString>

#include <optional>

/// The saved-scripts folder as seen from the working directory of the moment: listing,
/// reading and writing its files. Paths handed out are relative ("saved_files/<name>").

/// The folder itself, "saved_files" under the working directory.
QDir savedScriptsFolder();

/// The folder's files (no subfolders, hidden files or "." and ".."), newest first by
/// modification time, equal times in name order.
QFileInfoList listSavedScripts();

/// "saved_files/" followed by fileName.
QString savedScriptPath(const QString &fileName);

/// Whether name can only mean a file directly inside the folder: not empty, not "." or
/// "..", no separator of any platform and no NUL.
bool isPlainFileName(const QString &name);

/// The whole text of the file at path, read in text mode as UTF-8 (a byte-order mark,
/// where present, decides instead); nothing when it cannot be opened.
std::optional<QString> readScriptFile(const QString &path);

/// Writes text as a new file named "<stem>.txt", or "<stem>_2.txt", "<stem>_3.txt", … when
/// taken, never replacing an existing file and never leaving a partial one. Returns the
/// relative path written, or an empty string when the file could not be written.
QString writeNewScriptFile(const QString &stem, const QString &text);
