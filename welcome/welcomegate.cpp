#include "welcomepage.h"

#include "contentserver.h"
#include "replybodylimit.h"
#include "serverfilelist.h"
#include "welcomesettings.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>
#include <QTimer>

namespace {

constexpr int serverCheckTimeoutMs = 5000;

} // namespace

bool WelcomePage::shouldShowWelcome()
{
    if (checkServerFilesChanged()) {
        qDebug() << "File names changed, showing welcome page";
        return true;
    }
    QSettings settings;
    const bool dontShow = settings.value(dontShowWelcomeKey, false).toBool();
    qDebug() << "User preference 'dontShow':" << dontShow;
    return !dontShow;
}

bool WelcomePage::checkServerFilesChanged()
{
    QSettings settings;
    // Without a saved list, a user who already opted out has seen the dialog: their choice
    // holds until the server offers files, as it would against an empty saved list. Else a
    // server that cannot be reached would show the dialog at every start.
    if (!settings.contains(serverFilesKey) && !settings.value(dontShowWelcomeKey, false).toBool()) {
        qDebug() << "First run or no saved file list - showing welcome page";
        return true;
    }

    QNetworkAccessManager manager;
    QEventLoop loop;
    QNetworkReply *reply = manager.get(listingRequest(QStringLiteral("index.php?t=")));
    limitReplyBody(reply);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; start-up waits the full time-out.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(serverCheckTimeoutMs);
    loop.exec();

    if (!timer.isActive()) {
        // The pending reply goes down with the manager when this returns.
        reply->deleteLater();
        qDebug() << "Server check timed out, defaulting to normal behavior";
        return false;
    }
    timer.stop();

    if (replyFailed(reply)) {
        reply->deleteLater();
        qDebug() << "Failed to check server files:" << replyErrorText(reply);
        return false;
    }

    const QByteArray body = reply->readAll();
    reply->deleteLater();
    const std::optional<QStringList> current = serverFileListFromJson(body);
    if (!current) {
        qDebug() << "Invalid JSON response from server";
        return false;
    }

    const QStringList saved = settings.value(serverFilesKey).toStringList();
    QDebug line = qDebug();
    line << "Saved file list:" << saved << "Current file list:" << *current;

    const ServerFileListChange change = compareServerFileLists(saved, *current);
    if (change.lengthChanged)
        line << "File list size changed, showing welcome page";
    if (change.firstNewName)
        line << "New file detected:" << *change.firstNewName;
    if (change.firstRemovedName)
        line << "File removed:" << *change.firstRemovedName;
    if (!change.changed())
        return false;

    settings.setValue(serverFilesKey, *current);
    settings.sync();
    settings.setValue(dontShowWelcomeKey, false);
    settings.sync();
    return true;
}

void WelcomePage::saveServerFileList(const QStringList &files)
{
    QSettings settings;
    settings.remove(serverFilesKey);
    settings.setValue(serverFilesKey, files);
    settings.sync();
    qDebug() << "Saved file list to settings:" << files;
}
