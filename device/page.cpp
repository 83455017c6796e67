#include "app/mainwindow.h"

#include "device/modulerequests.h"

#include <QNetworkReply>
#include <QNetworkRequest>

QNetworkRequest MainWindow::moduleRequest(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(kModuleTransferTimeoutMs);
    return request;
}

void MainWindow::prinpage(QListWidgetItem *, QListWidgetItem *)
{
}

void MainWindow::finispage(QNetworkReply *reply)
{
    reply->deleteLater();
}

void MainWindow::clearpage()
{
}
