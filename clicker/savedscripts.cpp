#include "savedscripts.h"

#include "widget.h"

#include <QDir>

void ensureSavedScriptsFolder()
{
    const QDir folder(QStringLiteral("saved_files"));
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
}

void Widget::on_pushButton_4_clicked() {}

void Widget::on_pushButton_5_clicked() {}

void Widget::on_listView_clicked(const QModelIndex &) {}

void Widget::refreshFileList() {}

void Widget::loadLatestFile() {}
