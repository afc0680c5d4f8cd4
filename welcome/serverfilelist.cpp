#include "serverfilelist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>

namespace {

// A set keeps a listing of a million names from costing a million squared comparisons.
std::optional<QString> firstMissing(const QStringList &names, const QStringList &in)
{
    const QSet<QString> present(in.cbegin(), in.cend());
    for (const QString &name : names) {
        if (!present.contains(name))
            return name;
    }
    return std::nullopt;
}

} // namespace

std::optional<QStringList> serverFileListFromJson(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isArray())
        return std::nullopt;

    QStringList names;
    for (const QJsonValue element : document.array()) {
        if (element.isString()) {
            names.append(element.toString());
        } else if (element.isObject()) {
            const QJsonObject object = element.toObject();
            const auto name = object.constFind(QLatin1String("name"));
            if (name != object.constEnd())
                names.append(name->toString());
        }
    }
    return names;
}

ServerFileListChange compareServerFileLists(const QStringList &saved, const QStringList &current)
{
    ServerFileListChange change;
    if (saved.size() != current.size()) {
        change.lengthChanged = true;
        return change;
    }
    change.firstNewName = firstMissing(current, saved);
    change.firstRemovedName = firstMissing(saved, current);
    return change;
}
