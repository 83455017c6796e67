#include "cli/gitprogram.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

const QString kGitProgram = QStringLiteral("git");
// Set by a hook or a caller's shell, these would make git work on another repository.
const char *const kRepositoryVariables[]
    = {"GIT_DIR",        "GIT_WORK_TREE", "GIT_INDEX_FILE",         "GIT_OBJECT_DIRECTORY",
       "GIT_COMMON_DIR", "GIT_NAMESPACE", "GIT_CEILING_DIRECTORIES"};

} // namespace

QString GitResult::errorText() const
{
    if (!started)
        return QStringLiteral("git cannot be run (is it installed?)");
    const QString text = QString::fromUtf8(err.isEmpty() ? out : err).trimmed();
    const QString first = text.section(QLatin1Char('\n'), 0, 0);
    return first.isEmpty() ? QStringLiteral("git exited with status %1").arg(exitCode) : first;
}

GitResult runGit(const QString &workTree, const QStringList &args, const QByteArray &input)
{
    return runGitAs(workTree, {}, args, input);
}

GitResult runGitAs(const QString &workTree, const QStringList &identity, const QStringList &args,
                   const QByteArray &input)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : kRepositoryVariables)
        environment.remove(QString::fromLatin1(name));
    // Never a question on the terminal: the timer has no one to answer it.
    environment.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
    QStringList arguments{QStringLiteral("-C"), workTree};
    if (identity.size() == 2)
        arguments += {QStringLiteral("-c"), QStringLiteral("user.name=") + identity.at(0),
                      QStringLiteral("-c"), QStringLiteral("user.email=") + identity.at(1)};
    arguments += args;

    QProcess git;
    git.setProcessEnvironment(environment);
    git.start(kGitProgram, arguments);
    GitResult result;
    if (!git.waitForStarted(-1))
        return result;
    result.started = true;
    if (!input.isEmpty())
        git.write(input);
    git.closeWriteChannel();
    git.waitForFinished(-1);
    result.out = git.readAllStandardOutput();
    result.err = git.readAllStandardError();
    result.exitCode = git.exitStatus() == QProcess::NormalExit ? git.exitCode() : -1;
    return result;
}
