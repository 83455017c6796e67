#include "cli/commandline.h"

#include "cli/exitstatus.h"
#include "core/descriptions/catalogfile.h"
#include "core/modules/modulelistfile.h"

#include <CLI/CLI.hpp>

#include <QCoreApplication>

#include <iostream>
#include <map>

namespace {

const char *const kProgramDescription
    = "Reads, sets, backs up and restores the settings of Quillnet modules over their HTTP "
      "interface, one module or a fleet at once.";
const char *const kProgramFooter = R"(
MODULE is an address as the configurator uses it: host, or host:port (port 80 when none).
TARGETS are one or more MODULEs, --all (every module of the module list), or
--targets-file FILE (one module per line, "-" for standard input).
PATH is PAGE/OPTION or PAGE/GROUP/MEMBER; inside a key write "~1" for "/" and "~0" for "~".

Data goes to standard output; messages, progress and the summary to standard error.
Exit status: 0 success (diff: no differences); 1 differences found (diff, and a dry run
of set or restore that would change something); 2 bad usage or input; 3 some targets
failed, the others were done; 4 no target succeeded; 5 a write not confirmed by reading
the page back, or the module stopped answering during a restore; 6 not a backup file,
or one of a newer format version.)";

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

QStringList texts(const std::vector<std::string> &values)
{
    QStringList list;
    for (const std::string &value : values)
        list.append(text(value));
    return list;
}

// The options every command that takes TARGETS has.
struct TargetOptions
{
    bool all = false;
    std::string file;

    void addTo(CLI::App *command)
    {
        command->add_flag("--all", all, "Every module of the module list file");
        command->add_option("--targets-file", file, "Modules, one per line (- for standard input)");
    }
    TargetChoice choice(const QStringList &addresses) const { return {addresses, all, text(file)}; }
};

} // namespace

std::optional<Invocation> parseCommandLine(int argc, char **argv, int *exitStatus)
{
    CLI::App app(kProgramDescription, "quillnet");
    app.set_version_flag("--version", QCoreApplication::applicationVersion().toStdString());
    app.require_subcommand(1, 1);

    const std::map<std::string, OutputFormat> formats{
        {"table", OutputFormat::Table}, {"json", OutputFormat::Json}, {"jsonl", OutputFormat::Jsonl}};
    std::string format;
    int jobs = 8;
    double timeout = 5;
    int retries = 2;
    bool quiet = false;
    bool verbose = false;
    std::string modulesFile = kModuleListFileName.toStdString();
    std::string catalogFile = kCatalogFileName.toStdString();
    app.add_option("-o,--output", format,
                   "Output: table (the default on a terminal), json (one document, "
                   "the default otherwise) or jsonl (one line per module or difference)")
        ->check(CLI::IsMember({"table", "json", "jsonl"}));
    app.add_option("-j,--jobs", jobs, "Modules handled at once")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_option("--timeout", timeout, "Seconds a request may take")
        ->check(CLI::Range(0.001, 3600.0))
        ->capture_default_str();
    app.add_option("--retries", retries, "Times a failed read is tried again (a write never is)")
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    app.add_flag("-q,--quiet", quiet, "Only errors on standard error");
    app.add_flag("-v,--verbose", verbose, "More detail on standard error");
    app.add_option("--modules-file", modulesFile, "The module list file")->capture_default_str();
    auto *catalogOption
        = app.add_option("--catalog", catalogFile, "The descriptions catalog (titles, labels, choices)")
              ->capture_default_str();

    Invocation invocation;
    std::string module, path, file, a, b, output;
    std::vector<std::string> positionals, pages;
    double wait = 5;
    TargetOptions targets;
    bool dryRun = false, yes = false, allowOther = false;

    auto *modules = app.add_subcommand("modules", "List the module list file's modules: address and label");
    auto *discover
        = app.add_subcommand("discover", "Listen for module announcements and list each sender once");
    discover->add_option("--wait", wait, "Seconds to listen")
        ->check(CLI::Range(0.0, 3600.0))
        ->capture_default_str();
    auto *pagesCommand
        = app.add_subcommand("pages", "The page keys of a module in its order, with their titles");
    pagesCommand->add_option("MODULE", module, "The module")->required();
    auto *get = app.add_subcommand("get", "A whole module, one page, one option or one member");
    get->add_option("MODULE", module, "The module")->required();
    get->add_option("PATH", path, "PAGE, PAGE/OPTION or PAGE/GROUP/MEMBER");
    get->footer("Example: quillnet get 192.168.4.20 3/net/ip");
    auto *set = app.add_subcommand("set", "Set options on one module or many: TARGETS PATH=VALUE...");
    set->add_option("ARGS", positionals, "TARGETS, then PATH=VALUE assignments")->required();
    targets.addTo(set);
    set->add_flag("--dry-run", dryRun, "Print what would change and write nothing");
    set->footer("Each page is read, changed, written back whole and read again. A value keeps the type the\n"
                "option has on the module; a choice takes its value or its label.\n"
                "Example: quillnet set --all 1/mode=STA 3/net/ch=11 --dry-run");
    auto *backup = app.add_subcommand("backup", "Back up every page of each module into a file");
    backup->add_option("TARGETS", positionals, "The modules");
    targets.addTo(backup);
    backup->add_option("-O", output, "A file for one module, a folder for several, - for standard output");
    backup->footer(
        "Without -O, each module's backup goes to ADDRESS.json in the working folder, \":\" written\n"
        "as \"_\" (10.0.0.5_8080.json).\n"
        "Example: quillnet backup --all -O backups/");
    auto *restore = app.add_subcommand("restore", "Write a backup back onto a module");
    restore->add_option("MODULE", module, "The module")->required();
    restore->add_option("FILE", file, "The backup file")->required();
    restore->add_option("--pages", pages, "Only these pages (keys separated by commas)")->delimiter(',');
    restore->add_flag("--dry-run", dryRun, "Show the plan and write nothing");
    restore->add_flag("--yes", yes, "Write without asking");
    restore->add_flag("--allow-other-module", allowOther, "Restore a backup made from another address");
    restore->footer("Shows the plan, saves the module's state next to FILE (NAME.before-restore-TIME.json),\n"
                    "then writes the pages that differ in the module's order, reading each back.\n"
                    "Example: quillnet restore 192.168.4.20 boiler.json --dry-run");
    auto *diff = app.add_subcommand("diff", "Options that differ between two modules or backup files");
    diff->add_option("A", a, "A MODULE or a backup file")->required();
    diff->add_option("B", b, "A MODULE or a backup file")->required();
    diff->footer("Example: quillnet diff 192.168.4.20 boiler.json");
    app.footer(kProgramFooter);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        *exitStatus = app.exit(error) == 0 ? ExitSuccess : ExitBadInput;
        return std::nullopt;
    }

    GlobalOptions &options = invocation.options;
    options.format = format.empty() ? defaultOutputFormat() : formats.at(format);
    options.jobs = jobs;
    options.timeoutSeconds = timeout;
    options.retries = retries;
    options.quiet = quiet;
    options.verbose = verbose;
    options.modulesFile = text(modulesFile);
    options.catalogFile = text(catalogFile);
    options.catalogGiven = catalogOption->count() > 0;

    if (modules->parsed()) {
        invocation.command = Invocation::Command::Modules;
    } else if (discover->parsed()) {
        invocation.command = Invocation::Command::Discover;
        invocation.discover.waitSeconds = wait;
    } else if (pagesCommand->parsed()) {
        invocation.command = Invocation::Command::Pages;
        invocation.module = text(module);
    } else if (get->parsed()) {
        invocation.command = Invocation::Command::Get;
        invocation.get = {text(module), text(path)};
    } else if (set->parsed()) {
        invocation.command = Invocation::Command::Set;
        // Targets first, then the assignments: the first argument with "=" begins them (an
        // address never holds one).
        const QStringList arguments = texts(positionals);
        int first = 0;
        while (first < arguments.size() && !arguments.at(first).contains(QLatin1Char('=')))
            ++first;
        invocation.set = {targets.choice(arguments.mid(0, first)), arguments.mid(first), dryRun};
        if (invocation.set.assignments.isEmpty()) {
            std::cerr << "quillnet: error: set needs at least one PATH=VALUE\n";
            *exitStatus = ExitBadInput;
            return std::nullopt;
        }
    } else if (backup->parsed()) {
        invocation.command = Invocation::Command::Backup;
        invocation.backup = {targets.choice(texts(positionals)), text(output)};
    } else if (restore->parsed()) {
        invocation.command = Invocation::Command::Restore;
        invocation.restore = {text(module), text(file), texts(pages), dryRun, yes, allowOther};
    } else if (diff->parsed()) {
        invocation.command = Invocation::Command::Diff;
        invocation.diff = {text(a), text(b)};
    }
    return invocation;
}

int runInvocation(Context &context, const Invocation &invocation)
{
    switch (invocation.command) {
    case Invocation::Command::Modules:
        return runModules(context);
    case Invocation::Command::Discover:
        return runDiscover(context, invocation.discover);
    case Invocation::Command::Pages:
        return runPages(context, invocation.module);
    case Invocation::Command::Get:
        return runGet(context, invocation.get);
    case Invocation::Command::Set:
        return runSet(context, invocation.set);
    case Invocation::Command::Backup:
        return runBackup(context, invocation.backup);
    case Invocation::Command::Restore:
        return runRestore(context, invocation.restore);
    case Invocation::Command::Diff:
        return runDiff(context, invocation.diff);
    }
    return ExitBadInput;
}
