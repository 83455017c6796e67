#include "app/mainwindow.h"

void MainWindow::filltable(const QJsonObject &)
{
}
