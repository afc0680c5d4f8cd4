#include "clickrunner.h"

#include "widget.h"

void Widget::on_pushButton_clicked() {}

void Widget::executeScript() {}
