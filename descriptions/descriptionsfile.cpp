// The descriptions catalog's life in the window: the start-up load of the local copy, the
// download from the descriptions server, and the replacement of the local copy.

#include "app/mainwindow.h"
#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "descriptions/catalogfile.h"
#include "descriptions/descriptionsserver.h"
#include "device/modulerequests.h"

#include <QDebug>
#include <QMessageBox>
#include <QNetworkReply>

void MainWindow::readdescription()
{
    const CatalogFile file = readCatalogFile(kCatalogFileName);
    switch (file.kind) {
    case CatalogFile::Missing:
        loaddescription();
        return;
    case CatalogFile::Unreadable:
        qDebug() << uitexts::logErrorLoad;
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::descriptionsReadError) + kCatalogFileName,
                             QMessageBox::Ok);
        return;
    case CatalogFile::Read:
        // A local copy that is not a JSON object leaves the catalog empty, without a word:
        // the user can download a fresh one.
        descriptions = file.catalog;
        return;
    }
}

void MainWindow::loaddescription()
{
    // One download at a time; a request while one runs would only fetch the same again.
    if (descriptionReply)
        return;
    // The descriptions server is given up on like a module that stops answering.
    QNetworkReply *reply = networkManager.get(moduleRequest(catalogUrl()));
    descriptionReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finisdescription(reply); });
}

void MainWindow::finisdescription(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply == descriptionReply)
        descriptionReply = nullptr;

    const bool received = reply->error() == QNetworkReply::NoError;
    const QByteArray body = received ? reply->readAll() : QByteArray();
    QJsonObject downloaded;
    if (!received || !catalog::parseCatalog(body, &downloaded)) {
        // A broken answer must not replace a working catalog.
        qDebug() << uitexts::logDownloadFailed;
        return;
    }
    descriptions = downloaded;
    qDebug() << descriptions;

    // The catalog in use is the new one even when its local copy cannot be replaced, so
    // the update is reported either way; the log says why the old copy stayed.
    QString error;
    if (!writeCatalogFile(kCatalogFileName, body, &error))
        qWarning().noquote() << kCatalogFileName + QLatin1Char(':') << error;

    QMessageBox::information(nullptr, tr(uitexts::aboutTitle), tr(uitexts::descriptionsUpdated),
                             QMessageBox::Ok);
}
