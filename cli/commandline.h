#pragma once

#include "cli/commands/commands.h"
#include "cli/context.h"

#include <optional>

// The command line: global options, then a command with its arguments and its own options.
struct Invocation
{
    enum class Command { Modules, Discover, Pages, Get, Set, Backup, Restore, Diff };

    GlobalOptions options;
    Command command = Command::Modules;
    QString module; // pages
    DiscoverArgs discover;
    GetArgs get;
    SetArgs set;
    BackupArgs backup;
    RestoreArgs restore;
    DiffArgs diff;
};

// Nothing when the program is to stop at once: after --help or --version (*exitStatus 0),
// or after a usage error, which is printed (*exitStatus 2).
std::optional<Invocation> parseCommandLine(int argc, char **argv, int *exitStatus);

// Runs the command of a parsed command line.
int runInvocation(Context &context, const Invocation &invocation);
