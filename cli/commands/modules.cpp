#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/targets.h"

#include <QFile>
#include <QJsonObject>

namespace {

class ModulesCommand : public Command
{
public:
    explicit ModulesCommand(CLI::App &app)
        : Command(app, "modules", "List the module list file's modules: address and label")
    { }
    int run(Context &context) override;
};

} // namespace

int ModulesCommand::run(Context &context)
{
    const QString &file = context.options.modulesFile;
    if (!QFile::exists(file)) {
        context.reporter.error(
            QStringLiteral("no module list %1 here (name one with --modules-file)").arg(file));
        return ExitBadInput;
    }
    RecordWriter output(context.options.format, {QStringLiteral("address"), QStringLiteral("label")});
    for (const Target &target : moduleListTargets(file)) {
        output.add(
            QJsonObject{{QStringLiteral("address"), target.address}, {QStringLiteral("label"), target.label}},
            {{target.address, target.label}});
    }
    output.finish();
    return ExitSuccess;
}

std::unique_ptr<Command> addModulesCommand(CLI::App &app)
{
    return std::make_unique<ModulesCommand>(app);
}
