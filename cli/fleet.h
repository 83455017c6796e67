#pragma once

#include "cli/targets.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Reporter;

// How one target ended.
enum class TargetStatus {
    Done,
    Unchanged, // nothing needed to change
    Partial, // done in part (a backup with pages that could not be read)
    Failed,
    BadInput, // the module has no such page or option, or a value does not fit it
    NotConfirmed, // a write the module did not confirm when read back
};

struct TargetOutcome
{
    TargetStatus status = TargetStatus::Failed;
    QString error; // for the messages, when not Done or Unchanged
    QJsonValue record; // the target's data for -o json and jsonl
    QList<QStringList> rows; // and for the table
};

// Runs one job per target, at most `jobs` at once, each on its own module, so that a module
// that is down or slow holds up only its own job. Outcomes are handed on in the order of
// the targets, whatever order the jobs end in; a job's outcome is dropped once handed on.
// A job that is done with its module but still busy (writing its file) may release its
// place to the next target; at most `jobs` such jobs wait for their end besides.
class Fleet
{
public:
    using Finish = std::function<void(TargetOutcome)>;
    using Release = std::function<void()>;
    using Job = std::function<void(const Target &target, Finish finish, Release release)>;
    using Handle = std::function<void(const Target &target, const TargetOutcome &outcome)>;

    Fleet(const QList<Target> &targets, int jobs, Reporter *reporter);

    // Returns when every job has finished; runs the event loop meanwhile. Once interrupted
    // (SIGINT, SIGTERM), no job starts and it returns when those under way have finished.
    void run(const Job &job, const Handle &handle);

    int count(TargetStatus status) const;
    // "3 done, 1 unchanged, 1 failed", with the other kinds when there are any; a dry run
    // names its done targets otherwise ("would change").
    QString summary(const QString &doneText = QStringLiteral("done")) const;
    // 5 when a write was not confirmed; else 4 when no target succeeded (2 when every one
    // failed for bad input); else 3 when some failed; else 0.
    int exitStatus() const;

private:
    int failures() const; // targets not done, or done in part only

    QList<Target> targets;
    int jobs;
    Reporter *reporter;
    QList<int> counts;
    int started = 0; // targets whose job was started: all but those an interruption left
};
