#include "app/mainwindow.h"

#include <QNetworkReply>

void MainWindow::prinpages(int)
{
}

void MainWindow::finisprinpages(QNetworkReply *reply)
{
    reply->deleteLater();
}
