// quillnet: the settings of Quillnet modules from the command line, for scripts and fleets.

#include "cli/commandline.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

bool verboseLog = false;

// The toolkit's and the core's log lines (a failed request is logged with its URL) are
// detail: the commands report failures in their own words.
void logLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (!verboseLog && type != QtFatalMsg)
        return;
    std::fputs(QStringLiteral("quillnet: %1\n").arg(message).toUtf8().constData(), stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLNET_VERSION));
    qInstallMessageHandler(logLine);

    int status = 0;
    const std::optional<Invocation> invocation = parseCommandLine(argc, argv, &status);
    if (!invocation)
        return status;
    verboseLog = invocation->options.verbose;
    Context context(invocation->options);
    return runInvocation(context, *invocation);
}
