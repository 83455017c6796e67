#pragma once

#include "cli/targets.h"

#include <CLI/CLI.hpp>

#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class Context;

// One of quillnet's commands: it declares its arguments and options on a subcommand of its
// own, and runs on what the parse left in them. Each is a class in a file of its own.
class Command
{
public:
    Command(CLI::App &app, const std::string &name, const std::string &description);
    virtual ~Command() = default;
    Command(const Command &) = delete; // the parse writes into the members it was given
    Command &operator=(const Command &) = delete;

    // Whether the command line names this command.
    bool isChosen() const;
    // Returns the exit status.
    virtual int run(Context &context) = 0;

protected:
    CLI::App *const subcommand;
};

// Adds a command to the command line.
using CommandAdder = std::unique_ptr<Command> (*)(CLI::App &app);

// Arguments and options that take texts; CLI11 parses into standard strings.
CLI::Option *addText(CLI::App *command, const std::string &name, QString *text,
                     const std::string &description);
CLI::Option *addTexts(CLI::App *command, const std::string &name, QStringList *texts,
                      const std::string &description);

// The options of every command that takes TARGETS, beside the addresses themselves.
void addTargetOptions(CLI::App *command, TargetChoice *targets);
