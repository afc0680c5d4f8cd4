#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

/// The file names a listing body offers, in the server's order with duplicates: a string
/// element gives itself, an object with "name" gives that member as a string (empty when it
/// is not one), anything else gives nothing. No value when the body is not a JSON array.
std::optional<QStringList> serverFileListFromJson(const QByteArray &body);

/// How a current server file list differs from a saved one. Lists of equal length count as
/// unchanged when each name occurs somewhere in the other list; order and repetition do
/// not matter, letter case does.
struct ServerFileListChange
{
    bool lengthChanged = false;
    /// First current name, in order, that the saved list lacks (equal lengths only).
    std::optional<QString> firstNewName;
    /// First saved name, in order, that the current list lacks (equal lengths only).
    std::optional<QString> firstRemovedName;

    bool changed() const { return lengthChanged || firstNewName || firstRemovedName; }
};

ServerFileListChange compareServerFileLists(const QStringList &saved, const QStringList &current);
