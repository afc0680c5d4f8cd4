#include "savedscripts.h"

#include "scriptfolder.h"
#include "ui_widget.h"
#include "widget.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QStandardItemModel>

void ensureSavedScriptsFolder()
{
    const QDir folder = savedScriptsFolder();
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
}

void Widget::on_pushButton_4_clicked()
{
    const QString text = ui->plainTextEdit->document()->toPlainText();
    if (text.isEmpty()) {
        qDebug() << "文件内容为空，不进行保存操作";
        return;
    }
    const QString stem = QDateTime::currentDateTime().toString(QStringLiteral("MMddHHmmss"));
    const QString path = writeNewScriptFile(stem, text);
    if (path.isEmpty()) {
        qDebug() << "无法保存代码";
        return;
    }
    qDebug() << "代码保存成功: " << path;
    refreshFileList();
    loadLatestFile();
}

void Widget::on_pushButton_5_clicked()
{
    const QModelIndexList selected = ui->listView->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        qDebug() << "未选中任何文件";
        return;
    }
    const QString name = selected.first().data(Qt::DisplayRole).toString();
    const QString path = savedScriptPath(name);
    if (!isPlainFileName(name) || !QFile::remove(path)) {
        qDebug() << "无法删除文件: " << path;
        return;
    }
    qDebug() << "文件删除成功: " << path;
    refreshFileList();
    loadLatestFile();
}

void Widget::on_listView_clicked(const QModelIndex &index)
{
    const QString name = index.data(Qt::DisplayRole).toString();
    const QString path = savedScriptPath(name);
    const std::optional<QString> text =
        isPlainFileName(name) ? readScriptFile(path) : std::optional<QString>();
    if (!text) {
        qDebug() << "无法打开文件: " << path;
        return;
    }
    ui->plainTextEdit->setPlainText(*text);
}

void Widget::refreshFileList()
{
    model->clear();
    QList<QStandardItem *> rows;
    for (const QFileInfo &entry : listSavedScripts()) {
        auto *item = new QStandardItem(entry.fileName());
        // The entry's text is all that ties it to its file: renaming it in place would cut
        // that tie without renaming anything on disk.
        item->setEditable(false);
        rows.append(item);
    }
    // One insertion instead of one per file keeps a crowded folder quick to show.
    model->invisibleRootItem()->appendRows(rows);
}

void Widget::loadLatestFile()
{
    // The listing puts the newest first, the first of equal times winning.
    const QFileInfoList entries = listSavedScripts();
    if (entries.isEmpty())
        return;
    if (const std::optional<QString> text = readScriptFile(entries.constFirst().absoluteFilePath()))
        ui->plainTextEdit->setPlainText(*text);
}
