#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

// The module list as text: entries "address" or "address label", stored joined with "/"
// in options.ini and edited one entry per line in the modules editor.

inline constexpr quint16 kDiscoveryPort = 32700;

// Where the list is kept: an INI file in the working directory, one value under this key.
inline constexpr const char *kSettingsFileName = "options.ini";
inline constexpr const char *kModulesSettingsKey = "global/modules";

struct ModuleEntry
{
    QString address;
    QString label;
};

// "192.168.4.20 Boiler" -> address and label; when there is no label after exactly one
// blank, the whole entry is both.
ModuleEntry splitModuleEntry(const QString &entry);

// The text of the stored value. A hand-edited value with unquoted commas reads as a list;
// its text is kept whole rather than lost (and overwritten with nothing at exit).
QString storedModuleListText(const QVariant &stored);
QStringList splitModuleList(const QString &stored); // options.ini value -> entries
QString joinModuleList(const QStringList &modules); // entries -> options.ini value
QString modulesEditorText(const QStringList &modules); // entries -> editor text
QStringList modulesFromEditorText(const QString &text); // editor text -> entries

// A module announces itself with a datagram of at least 2 bytes starting with 'U'.
bool isAnnouncement(const QByteArray &datagram);
