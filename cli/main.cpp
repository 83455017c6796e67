// quillnet: the settings of Quillnet modules from the command line, for scripts and fleets.

#include "cli/commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLNET_VERSION));

    int status = 0;
    const std::optional<Invocation> invocation = parseCommandLine(argc, argv, &status);
    if (!invocation)
        return status;
    Context context(invocation->options);
    return runInvocation(context, *invocation);
}
