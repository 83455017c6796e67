#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where an option sits: "PAGE", "PAGE/OPTION" or "PAGE/GROUP/MEMBER". Each part is escaped as
// in a JSON pointer ("~1" for "/", "~0" for "~"), so that every key a module may send can be
// named.
struct OptionPath
{
    QString pageKey;
    QString optionKey; // empty when the path names a whole page
    QString memberKey; // empty unless the path names a member of a group
    int depth = 1; // 1: a page, 2: an option, 3: a member

    bool isMember() const { return depth == 3; }
};

// Nothing (and *error set) for a path with more than three parts or a "~" that is not
// followed by "0" or "1".
std::optional<OptionPath> parseOptionPath(const QString &text, QString *error);

QString escapePathPart(const QString &part);
// The text parseOptionPath() reads back into the same parts.
QString optionPathText(const QStringList &parts);
QString optionPathText(const OptionPath &path);
