#pragma once

#include "cli/targets.h"

#include <QString>
#include <QStringList>

class Context;

// The commands, each in a file of its own; each returns the exit status.

int runModules(Context &context);

struct DiscoverArgs
{
    double waitSeconds = 5;
};
int runDiscover(Context &context, const DiscoverArgs &args);

int runPages(Context &context, const QString &module);

struct GetArgs
{
    QString module;
    QString path; // empty: every page
};
int runGet(Context &context, const GetArgs &args);

struct SetArgs
{
    TargetChoice targets;
    QStringList assignments; // PATH=VALUE
    bool dryRun = false;
};
int runSet(Context &context, const SetArgs &args);

struct BackupArgs
{
    TargetChoice targets;
    QString output; // -O; empty: a file per module in the working folder
};
int runBackup(Context &context, const BackupArgs &args);

struct RestoreArgs
{
    QString module;
    QString file;
    QStringList pages;
    bool dryRun = false;
    bool yes = false;
    bool allowOtherModule = false;
};
int runRestore(Context &context, const RestoreArgs &args);

struct DiffArgs
{
    QString a;
    QString b;
};
int runDiff(Context &context, const DiffArgs &args);
