#include "app/mainwindow.h"

#include <QNetworkReply>

void MainWindow::saveopt()
{
}

void MainWindow::finissaveopt(QNetworkReply *reply)
{
    reply->deleteLater();
}
