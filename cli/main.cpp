// quillnet: the settings of Quillnet modules from the command line, for scripts and fleets.

#include "cli/commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLNET_VERSION));

    CommandLine commandLine;
    int status = 0;
    if (!commandLine.parse(argc, argv, &status))
        return status;
    Context context(commandLine.options());
    return commandLine.run(context);
}
