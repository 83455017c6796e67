// The descriptions catalog's life in the window: the start-up load of the local copy, the
// download from the descriptions server, and the replacement of the local copy.

#include "core/descriptions/catalog.h"
#include "core/descriptions/catalogfile.h"
#include "core/descriptions/descriptionsserver.h"
#include "core/device/modulerequests.h"
#include "window/app/mainwindow.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"

#include <QDebug>

void MainWindow::readdescription()
{
    const CatalogFile file = readCatalogFile(kCatalogFileName);
    switch (file.kind) {
    case CatalogFile::Missing:
        loaddescription();
        return;
    case CatalogFile::Unreadable:
        qDebug() << uitexts::logErrorLoad;
        showError(this, tr(uitexts::descriptionsReadError) + kCatalogFileName);
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
    sendRequest(networkManager, catalogUrl(), &descriptionReply, &MainWindow::finisdescription);
}

void MainWindow::finisdescription(QNetworkReply *reply)
{
    const ReplyOutcome outcome = finishRequest(reply, &descriptionReply);
    QJsonObject downloaded;
    if (outcome.kind != ReplyOutcome::Answered || !catalog::parseCatalog(outcome.body, &downloaded)) {
        // A broken answer must not replace a working catalog.
        qDebug() << uitexts::logDownloadFailed;
        return;
    }
    descriptions = downloaded;
    qDebug() << descriptions;

    // The catalog in use is the new one even when its local copy cannot be replaced, so
    // the update is reported either way; the log says why the old copy stayed.
    QString error;
    if (!writeCatalogFile(kCatalogFileName, outcome.body, &error))
        qWarning().noquote() << kCatalogFileName + QLatin1Char(':') << error;

    showInformation(tr(uitexts::descriptionsUpdatedTitle), tr(uitexts::descriptionsUpdated));
}
