#include "cli/commands/command.h"

Command::Command(CLI::App &app, const std::string &name, const std::string &description)
    : subcommand(app.add_subcommand(name, description))
{ }

bool Command::isChosen() const
{
    return subcommand->parsed();
}

CLI::Option *addText(CLI::App *command, const std::string &name, QString *text,
                     const std::string &description)
{
    return command->add_option_function<std::string>(
        name, [text](const std::string &value) { *text = QString::fromStdString(value); }, description);
}

CLI::Option *addTexts(CLI::App *command, const std::string &name, QStringList *texts,
                      const std::string &description)
{
    return command->add_option_function<std::vector<std::string>>(
        name,
        [texts](const std::vector<std::string> &values) {
            for (const std::string &value : values)
                texts->append(QString::fromStdString(value));
        },
        description);
}

void addTargetOptions(CLI::App *command, TargetChoice *targets)
{
    command->add_flag("--all", targets->all, "Every module of the module list file");
    addText(command, "--targets-file", &targets->targetsFile, "Modules, one per line (- for standard input)");
}
