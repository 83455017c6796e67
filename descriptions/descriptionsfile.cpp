// The descriptions catalog's life in the window: the start-up load of the local copy, the
// download from the descriptions server, and the replacement of the local copy.

#include "app/mainwindow.h"
#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "descriptions/descriptionshost.h"
#include "device/modulerequests.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QMessageBox>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

namespace {

// Replaces the local copy with the downloaded body, all or nothing: the old copy stays
// whole until the new one is complete. The body is text; like any text file it ends at a
// NUL byte. Returns false with the reason in *error.
bool writeCatalogFile(const QByteArray &body, QString *error)
{
    QSaveFile file(catalog::kCatalogFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    const int nul = body.indexOf('\0');
    const QByteArray text = nul < 0 ? body : body.left(nul);
    // flush() before commit(): commit() alone reports success even when the buffered
    // data could be written only in part (a full disk, a file size limit).
    if (file.write(text) != text.size() || !file.flush()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

void MainWindow::readdescription()
{
    if (!QFile::exists(catalog::kCatalogFileName)) {
        loaddescription();
        return;
    }
    QFile file(catalog::kCatalogFileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << uitexts::logErrorLoad;
        QMessageBox::warning(this, tr(uitexts::errorTitle),
                             tr(uitexts::descriptionsReadError) + catalog::kCatalogFileName, QMessageBox::Ok);
        return;
    }
    // A local copy that is not a JSON object leaves the catalog empty, without a word:
    // the user can download a fresh one.
    QJsonObject stored;
    catalog::parseCatalog(file.readAll(), &stored);
    descriptions = stored;
}

void MainWindow::loaddescription()
{
    // One download at a time; a request while one runs would only fetch the same again.
    if (descriptionReply)
        return;
    const QUrl url
        = QUrl::fromUserInput(QStringLiteral("http://") + descriptionsHost() + catalog::kCatalogPath);
    QNetworkRequest request(url);
    // The descriptions server is given up on like a module that stops answering.
    request.setTransferTimeout(kModuleTransferTimeoutMs);
    QNetworkReply *reply = networkManager.get(request);
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
    if (!writeCatalogFile(body, &error))
        qWarning().noquote() << catalog::kCatalogFileName + QLatin1Char(':') << error;

    QMessageBox::information(nullptr, tr(uitexts::aboutTitle), tr(uitexts::descriptionsUpdated),
                             QMessageBox::Ok);
}
