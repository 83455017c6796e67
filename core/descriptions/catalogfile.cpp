#include "core/descriptions/catalogfile.h"

#include "core/descriptions/catalog.h"
#include "core/json/jsontext.h"

#include <QFile>
#include <QSaveFile>

CatalogFile readCatalogFile(const QString &path)
{
    CatalogFile result;
    if (!QFile::exists(path))
        return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.kind = CatalogFile::Unreadable;
        result.error = file.errorString();
        return result;
    }
    result.kind = CatalogFile::Read;
    catalog::parseCatalog(file.readAll(), &result.catalog);
    return result;
}

bool writeCatalogFile(const QString &path, const QByteArray &body, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray text = textUpToNul(body);
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
