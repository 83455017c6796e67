#include "cli/commandline.h"

#include "cli/commands/commands.h"
#include "cli/exitstatus.h"
#include "core/descriptions/catalogfile.h"
#include "core/modules/modulelistfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>
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
The options above may also come after the command.

Data goes to standard output; messages, progress and the summary to standard error.
Exit status:
  0  done (diff: no differences)
  1  differences: diff found some, a dry run of set or restore would change something,
     or a restore was declined at its prompt; nothing was written
  2  bad usage or input: an unknown command, option, page or option path, a value that
     does not fit its option, an address that is none, no catalog for set or restore, a
     confirmation needed without a terminal, a backup of another address
  3  some targets failed (or were done in part, as a backup missing pages), the others done
  4  no target succeeded, no write was sent to any; or standard output or error could
     not be written (as on a full disk), whatever was done
  5  a write was sent and not confirmed by reading the page back: refused, unanswered or
     read back otherwise, in places asked for or not (set and restore alike); or a module
     partly written: some of its pages written, others not (set)
  6  not a backup file, or one of a newer format version
  7  the module changed while we worked: a restore stopped before writing a page that was
     no longer as its plan showed
  130, 143  interrupted by SIGINT, SIGTERM: nothing new was started, a write under way was
     finished and read back, and the summary tells what was written
When several apply, the first in this order wins: 130 and 143, 6, 2 (both decided before
anything is written), 5, 7, 4, 3, 1, 0. A failure outranks differences: a diff that could
not read a page exits 3, and still prints the differences it found.)";

const std::map<std::string, OutputFormat> kFormats{
    {"table", OutputFormat::Table}, {"json", OutputFormat::Json}, {"jsonl", OutputFormat::Jsonl}};

} // namespace

CommandLine::CommandLine()
    : app(kProgramDescription, "quillnet")
{
    app.set_version_flag("--version", QCoreApplication::applicationVersion().toStdString());
    app.require_subcommand(1, 1);
    // A command hands the options it does not know to the program, so that the global ones
    // may follow it. Each still takes one value: given before and after, it is refused as if
    // given twice before.
    app.fallthrough();

    given.modulesFile = kModuleListFileName;
    given.catalogFile = kCatalogFileName;
    app.add_option("-o,--output", format,
                   "Output: table (the default on a terminal), json (one document, "
                   "the default otherwise) or jsonl (one line per module or difference)")
        ->check(CLI::IsMember({"table", "json", "jsonl"}));
    app.add_option("-j,--jobs", given.jobs, "Modules handled at once")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_option("--timeout", given.timeoutSeconds, "Seconds a request may take")
        ->check(CLI::Range(0.001, 3600.0))
        ->capture_default_str();
    retriesOption = app.add_option("--retries", given.retries,
                                   "Times a failed read is tried again (a write never is); a module that has "
                                   "not answered anything yet gets them only when this is given")
                        ->check(CLI::Range(0, 100))
                        ->capture_default_str();
    app.add_flag("-q,--quiet", given.quiet, "Only errors on standard error");
    app.add_flag("-v,--verbose", given.verbose, "More detail on standard error");
    addText(&app, "--modules-file", &given.modulesFile, "The module list file")
        ->default_str(kModuleListFileName.toStdString());
    catalogOption
        = addText(&app, "--catalog", &given.catalogFile, "The descriptions catalog (titles, labels, choices)")
              ->default_str(kCatalogFileName.toStdString());

    std::transform(std::begin(kCommands), std::end(kCommands), std::back_inserter(commands),
                   [this](CommandAdder add) { return add(app); });
    // After the commands, which would take it for theirs.
    app.footer(kProgramFooter);
}

bool CommandLine::parse(int argc, char **argv, int *exitStatus)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        *exitStatus = app.exit(error) == 0 ? ExitSuccess : ExitBadInput;
        return false;
    }
    return true;
}

GlobalOptions CommandLine::options() const
{
    GlobalOptions options = given;
    options.format = format.empty() ? defaultOutputFormat() : kFormats.at(format);
    options.catalogGiven = catalogOption->count() > 0;
    options.retriesGiven = retriesOption->count() > 0;
    return options;
}

int CommandLine::run(Context &context) const
{
    const auto chosen
        = std::find_if(commands.begin(), commands.end(),
                       [](const std::unique_ptr<Command> &command) { return command->isChosen(); });
    // The parse requires a command.
    return chosen == commands.end() ? ExitBadInput : (*chosen)->run(context);
}
