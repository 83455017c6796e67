#pragma once

#include <QString>
#include <QStringList>

// Where the module list is kept: an INI file in the working directory, its entries joined
// with "/" under one key.
inline const QString kModuleListFileName = QStringLiteral("options.ini");

// The entries stored in the file. A missing file or value reads as the empty text, which is
// one empty entry.
QStringList readModuleList(const QString &path);
// Stores the entries; false when the file could not be written, or its old content could
// not be read.
bool writeModuleList(const QString &path, const QStringList &modules);
