#pragma once

#include "cli/commands/command.h"

// quillnet's commands. Each is a class in a file of its own in this folder that declares the
// command's arguments, options and run, and ends with the function that adds it to the
// command line; a new command is its file, and its function here and in the list below.
std::unique_ptr<Command> addModulesCommand(CLI::App &app);
std::unique_ptr<Command> addDiscoverCommand(CLI::App &app);
std::unique_ptr<Command> addPagesCommand(CLI::App &app);
std::unique_ptr<Command> addGetCommand(CLI::App &app);
std::unique_ptr<Command> addSetCommand(CLI::App &app);
std::unique_ptr<Command> addBackupCommand(CLI::App &app);
std::unique_ptr<Command> addRestoreCommand(CLI::App &app);
std::unique_ptr<Command> addDiffCommand(CLI::App &app);
std::unique_ptr<Command> addHistoryCommand(CLI::App &app);

// In the order --help lists them.
inline constexpr CommandAdder kCommands[] = {
    addModulesCommand, addDiscoverCommand, addPagesCommand, addGetCommand,     addSetCommand,
    addBackupCommand,  addRestoreCommand,  addDiffCommand,  addHistoryCommand,
};
