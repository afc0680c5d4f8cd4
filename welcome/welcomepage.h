#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class WelcomePage;
}

/// The modal welcome dialog shown before the main window. It lists the content server's
/// welcome folder, records the server's file list, and shows the first picture and the
/// first text file it finds there. The static gate decides at start-up whether it is due.
class WelcomePage : public QDialog
{
    Q_OBJECT

public:
    explicit WelcomePage(QWidget *parent = nullptr);
    ~WelcomePage() override;

    /// True when the dialog is due: on the first run, when the server's file list has
    /// changed, or when the user has not asked to skip it. May wait up to 5000 ms for the
    /// content server inside a nested event loop.
    static bool shouldShowWelcome();

private slots:
    void on_dontShowAgainCheckBox_stateChanged(int state);
    void onImageDownloaded(QNetworkReply *reply);
    void onTextDownloaded(QNetworkReply *reply);
    void onDirectoryListed(QNetworkReply *reply);

private:
    static bool checkServerFilesChanged();
    void saveServerFileList(const QStringList &files);

    void listServerDirectory();
    void downloadFiles(const QString &imageFile, const QString &textFile);

    Ui::WelcomePage *ui;
    QNetworkAccessManager *networkManager;
    QString currentImageFile;
    QString currentTextFile;
};
