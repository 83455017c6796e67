#pragma once

#include "cli/commands/command.h"
#include "cli/context.h"

#include <memory>
#include <string>
#include <vector>

// quillnet's command line: the global options, before or after the command, and the
// commands, each of which declares its own arguments and options.
class CommandLine
{
public:
    CommandLine();

    // False when the program is to stop at once: after --help or --version (*exitStatus 0),
    // or after a usage error, which is printed (*exitStatus 2).
    bool parse(int argc, char **argv, int *exitStatus);
    // After a parse: the global options given, and the command given run with them.
    GlobalOptions options() const;
    int run(Context &context) const;

private:
    CLI::App app;
    GlobalOptions given;
    std::string format; // empty: the default for where standard output goes
    CLI::Option *catalogOption = nullptr;
    CLI::Option *retriesOption = nullptr;
    std::vector<std::unique_ptr<Command>> commands;
};
