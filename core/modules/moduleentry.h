#pragma once

#include <QString>
#include <QStringList>

// The module list as text: entries "address" or "address label", stored joined with "/"
// and edited one entry per line in the modules editor.

struct ModuleEntry
{
    QString address;
    QString label;
};

// "192.168.4.20 Boiler" -> address and label; when there is no label after exactly one
// blank, the whole entry is both.
ModuleEntry splitModuleEntry(const QString &entry);

QStringList splitModuleList(const QString &stored); // stored value -> entries
QString joinModuleList(const QStringList &modules); // entries -> stored value
QString modulesEditorText(const QStringList &modules); // entries -> editor text
QStringList modulesFromEditorText(const QString &text); // editor text -> entries
