#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The local copy of the descriptions catalog, kept in the working directory.
inline const QString kCatalogFileName = QStringLiteral("description.json");

struct CatalogFile
{
    enum Kind {
        Missing, // no such file
        Unreadable, // there, but it cannot be opened; error says why
        Read, // catalog holds its root object, empty when it is not a JSON object
    };
    Kind kind = Missing;
    QJsonObject catalog;
    QString error;
};
CatalogFile readCatalogFile(const QString &path);

// Replaces the file with a downloaded catalog body, all or nothing: the old copy stays
// whole until the new one is complete. The body is text; like any text file it ends at a
// NUL byte. False with the reason in *error.
bool writeCatalogFile(const QString &path, const QByteArray &body, QString *error);
