#include "welcomepage.h"
#include "ui_welcomepage.h"

#include "welcomesettings.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>

WelcomePage::WelcomePage(QWidget *parent)
    : QDialog(parent), ui(new Ui::WelcomePage), networkManager(new QNetworkAccessManager(this))
{
    qRegisterMetaType<QNetworkReply *>();
    ui->setupUi(this);

    // The slot is connected by now, so a stored tick runs it once and stores it again.
    QSettings settings;
    ui->dontShowAgainCheckBox->setChecked(settings.value(dontShowWelcomeKey, false).toBool());

    listServerDirectory();
}

WelcomePage::~WelcomePage()
{
    delete ui;
}

void WelcomePage::on_dontShowAgainCheckBox_stateChanged(int state)
{
    const bool dontShow = state == Qt::Checked;
    QSettings settings;
    settings.setValue(dontShowWelcomeKey, dontShow);
    settings.sync();
    qDebug() << "Saved user preference 'dontShow':" << dontShow;
}
