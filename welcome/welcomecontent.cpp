#include "ui_welcomepage.h"
#include "welcomepage.h"

#include "contentserver.h"
#include "offlinelabeltext.h"
#include "replybodylimit.h"
#include "serverfilelist.h"
#include "welcomesettings.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPixmap>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace {

const QString fallbackImageFile = QStringLiteral("welcome.png");
const QString fallbackTextFile = QStringLiteral("welcome.txt");

bool isImageName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\.(jpg|jpeg|png|gif|bmp)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

bool isTextName(const QString &name)
{
    return name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

} // namespace

void WelcomePage::listServerDirectory()
{
    networkManager->clearAccessCache();
    QNetworkReply *reply =
        networkManager->get(listingRequest(QStringLiteral("index.php?nocache=")));
    limitReplyBody(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onDirectoryListed(reply); });
    qDebug() << "Checking server files at:" << welcomeFolderUrl();
}

void WelcomePage::onDirectoryListed(QNetworkReply *reply)
{
    reply->deleteLater();
    QDebug line = qDebug();
    if (replyFailed(reply)) {
        line << "Failed to list directory:" << replyErrorText(reply);
        downloadFiles(fallbackImageFile, fallbackTextFile);
        return;
    }

    const QByteArray body = reply->readAll();
    line << "Received server response, size:" << body.size() << "bytes"
         << "Server response:" << QString::fromUtf8(body);

    const std::optional<QStringList> allNames = serverFileListFromJson(body);
    if (!allNames) {
        line << "Invalid JSON response from server";
        downloadFiles(fallbackImageFile, fallbackTextFile);
        return;
    }
    QStringList imageNames;
    QStringList textNames;
    for (const QString &name : *allNames) {
        if (isImageName(name))
            imageNames.append(name);
        if (isTextName(name))
            textNames.append(name);
    }
    line << "Found files:" << *allNames << "Image files:" << imageNames
         << "Text files:" << textNames;

    QSettings settings;
    const QStringList saved = settings.value(serverFilesKey).toStringList();
    line << "Saved file list:" << saved << "Current file list:" << *allNames;

    const ServerFileListChange change = compareServerFileLists(saved, *allNames);
    if (change.lengthChanged)
        line << "File count changed. Old:" << saved.size() << "New:" << allNames->size();
    if (change.firstNewName)
        line << "New file detected:" << *change.firstNewName;
    if (change.firstRemovedName)
        line << "File removed:" << *change.firstRemovedName;

    if (change.changed()) {
        line << "Server files have changed!";
        saveServerFileList(*allNames);
        if (settings.value(dontShowWelcomeKey, false).toBool()) {
            line << "Resetting 'Don't show' preference due to file changes";
            settings.setValue(dontShowWelcomeKey, false);
            ui->dontShowAgainCheckBox->setChecked(false);
        }
    } else {
        line << "No changes in server files";
    }

    downloadFiles(imageNames.value(0, fallbackImageFile), textNames.value(0, fallbackTextFile));
}

void WelcomePage::downloadFiles(const QString &imageFile, const QString &textFile)
{
    currentImageFile = imageFile;
    currentTextFile = textFile;
    const QString folder = welcomeFolderUrl();

    QNetworkReply *imageReply =
        networkManager->get(QNetworkRequest(QUrl(folder + imageFile + "?t=" + timeStamp())));
    limitReplyBody(imageReply);
    connect(imageReply, &QNetworkReply::finished, this,
            [this, imageReply] { onImageDownloaded(imageReply); });

    QNetworkReply *textReply =
        networkManager->get(QNetworkRequest(QUrl(folder + textFile + "?t=" + timeStamp())));
    limitReplyBody(textReply);
    connect(textReply, &QNetworkReply::finished, this,
            [this, textReply] { onTextDownloaded(textReply); });

    qDebug() << "Downloading image:" << imageFile << "Downloading text:" << textFile
             << "Full image URL:" << folder + imageFile << "Full text URL:" << folder + textFile;
}

void WelcomePage::onImageDownloaded(QNetworkReply *reply)
{
    reply->deleteLater();
    QDebug line = qDebug();
    if (replyFailed(reply)) {
        line << "Failed to download image:" << replyErrorText(reply)
             << "URL:" << reply->url().toString();
        ui->imageLabel->setText(QStringLiteral("无法加载图片"));
        return;
    }

    const QByteArray body = reply->readAll();
    QPixmap picture;
    const bool loaded = picture.loadFromData(body);
    line << "Image data size:" << body.size() << "bytes"
         << "Image loaded:" << loaded;
    if (loaded) {
        ui->imageLabel->setPixmap(picture);
        ui->imageLabel->setScaledContents(true);
    } else {
        ui->imageLabel->setText(QStringLiteral("无法加载图片"));
    }
}

void WelcomePage::onTextDownloaded(QNetworkReply *reply)
{
    reply->deleteLater();
    QDebug line = qDebug();
    if (replyFailed(reply)) {
        line << "Failed to download text:" << replyErrorText(reply)
             << "URL:" << reply->url().toString();
        ui->textLabel->setText(QStringLiteral("无法加载文本内容"));
        return;
    }

    const QByteArray body = reply->readAll();
    const QString text = QString::fromUtf8(body);
    line << "Text data size:" << body.size() << "bytes";
    if (text.isEmpty())
        ui->textLabel->setText(QStringLiteral("文本内容为空"));
    else
        setOfflineText(ui->textLabel, text);
}
