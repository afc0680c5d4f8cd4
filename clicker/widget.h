#pragma once

#include <QWidget>

class ClickRecorder;
class CoordinatePicker;
class QAction;
class QModelIndex;
class QStandardItemModel;

namespace Ui {
class Widget;
}

/// The main window: script editor, usage guide, saved scripts and the buttons that act on them.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_listView_clicked(const QModelIndex &index);

private:
    void executeScript();
    void refreshFileList();
    void loadLatestFile();
    void setUpPositionPicking();
    void setUpRecording();
    void setUpEditorMenu();
    void insertScriptLines(const QStringList &lines);

    Ui::Widget *ui;
    QStandardItemModel *model;
    CoordinatePicker *picker;
    QAction *pickPositionAction;
    ClickRecorder *recorder;
    QAction *recordAction;
};
