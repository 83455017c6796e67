#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The modules a command works on: addresses given on the command line, every module of the
// module list file (--all), or the lines of a file (--targets-file; "-" for standard input).

struct Target
{
    QString address;
    QString label; // as the module list names it; the address when it has no label
};

struct TargetChoice
{
    QStringList addresses;
    bool all = false;
    QString targetsFile;
};

// Empty when the text is a module address; else the message that refuses it, naming it.
QString addressProblem(const QString &address);

// The module list file's entries that name a module (an entry with an empty address names
// none), in the file's order.
QList<Target> moduleListTargets(const QString &modulesFile);

// Every module once, in the order given (a module named twice, also as host and host:80, is
// kept where it comes first); labels from the module list file. Nothing, and *error set, when
// a file cannot be read, no module is named, or one named is no module address.
QList<Target> resolveTargets(const TargetChoice &choice, const QString &modulesFile, QStringList *dropped,
                             QString *error);
