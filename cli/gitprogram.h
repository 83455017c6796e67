#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// git, the command-line program, run in a work tree. The repository stays an ordinary one:
// the user's hooks, configuration and `git gc` apply as to any other.
struct GitResult
{
    bool started = false; // false: git is not installed or cannot be run
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool ok() const { return started && exitCode == 0; }
    // What went wrong, for a message: git's own first words, or why it did not run.
    QString errorText() const;
};

// Runs `git ARGS` in workTree with input on its standard input. Variables that would point
// git at another repository (GIT_DIR, GIT_WORK_TREE, ...) are left out of its environment.
// With an identity, it is passed as user.name and user.email for this run only.
GitResult runGit(const QString &workTree, const QStringList &args, const QByteArray &input = {});
GitResult runGitAs(const QString &workTree, const QStringList &identity, const QStringList &args,
                   const QByteArray &input = {});
