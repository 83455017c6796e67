// quillnet: the settings of Quillnet modules from the command line, for scripts and fleets.

#include "cli/commandline.h"
#include "cli/exitstatus.h"
#include "cli/interruption.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLNET_VERSION));

    CommandLine commandLine;
    int status = ExitSuccess;
    if (commandLine.parse(argc, argv, &status)) {
        Context context(commandLine.options());
        status = commandLine.run(context);
    }
    // Interrupted, it ends as if the signal had ended it, once the command has told what it did.
    if (interruption())
        return 128 + interruption();
    // Data that did not reach its reader is no success, whatever the command did.
    return checkedExitStatus(status);
}
