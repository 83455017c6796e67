#include "cli/fleet.h"

#include "cli/exitstatus.h"
#include "cli/interruption.h"
#include "cli/reporter.h"

#include <QEventLoop>
#include <QTimer>

#include <map>
#include <vector>

namespace {

constexpr int kStatusCount = int(TargetStatus::NotConfirmed) + 1;

} // namespace

Fleet::Fleet(const QList<Target> &targets, int jobs, Reporter *reporter)
    : targets(targets)
    , jobs(qMax(1, jobs))
    , reporter(reporter)
    , counts(QVector<int>(kStatusCount, 0).toList())
{ }

void Fleet::run(const Job &job, const Handle &handle)
{
    const int total = targets.size();
    if (total == 0)
        return;
    QEventLoop loop;
    std::map<int, TargetOutcome> waiting; // finished, but an earlier target has not
    std::vector<bool> released(size_t(total), false);
    started = 0;
    int handed = 0;
    int running = 0; // jobs that hold a place
    int releasedRunning = 0; // jobs that gave their place up and have not finished

    std::function<void()> startMore;
    const auto finished = [&](int index, TargetOutcome outcome) {
        if (released[size_t(index)])
            --releasedRunning;
        else
            --running;
        ++counts[int(outcome.status)];
        if (!outcome.error.isEmpty())
            reporter->error(QStringLiteral("%1: %2").arg(targets.at(index).address, outcome.error));
        waiting.emplace(index, std::move(outcome));
        for (auto next = waiting.find(handed); next != waiting.end(); next = waiting.find(handed)) {
            handle(targets.at(handed), next->second);
            waiting.erase(next);
            ++handed;
        }
        reporter->progress(QStringLiteral("%1/%2 modules, %3 failed")
                               .arg(handed + int(waiting.size()))
                               .arg(total)
                               .arg(failures()));
        // Interrupted: the jobs under way end, no other starts.
        if (handed == total || (interruption() && running + releasedRunning == 0))
            loop.quit();
        else
            startMore();
    };
    const auto release = [&](int index) {
        if (released[size_t(index)])
            return;
        released[size_t(index)] = true;
        --running;
        ++releasedRunning;
        startMore();
    };
    startMore = [&] {
        while (running < jobs && releasedRunning < jobs && started < total && !interruption()) {
            const int index = started++;
            ++running;
            // The job may finish before it returns; its outcome is then taken on the next
            // turn of the loop, never inside the job's own call.
            job(
                targets.at(index),
                [&finished, index, &loop](TargetOutcome outcome) {
                    QTimer::singleShot(0, &loop, [&finished, index, outcome = std::move(outcome)]() mutable {
                        finished(index, std::move(outcome));
                    });
                },
                [&release, index, &loop] {
                    QTimer::singleShot(0, &loop, [&release, index] { release(index); });
                });
        }
    };
    startMore();
    loop.exec();
    reporter->endProgress();
}

int Fleet::count(TargetStatus status) const
{
    return counts.at(int(status));
}

int Fleet::failures() const
{
    return count(TargetStatus::Failed) + count(TargetStatus::Partial) + count(TargetStatus::BadInput)
        + count(TargetStatus::NotConfirmed);
}

QString Fleet::summary(const QString &doneText) const
{
    QString text = QStringLiteral("%1 %2, %3 unchanged, %4 failed")
                       .arg(count(TargetStatus::Done))
                       .arg(doneText)
                       .arg(count(TargetStatus::Unchanged))
                       .arg(count(TargetStatus::Failed) + count(TargetStatus::Partial)
                            + count(TargetStatus::BadInput) + count(TargetStatus::NotConfirmed));
    QStringList details;
    if (count(TargetStatus::Partial) > 0)
        details.append(QStringLiteral("%1 incomplete").arg(count(TargetStatus::Partial)));
    if (count(TargetStatus::BadInput) > 0)
        details.append(QStringLiteral("%1 for bad input").arg(count(TargetStatus::BadInput)));
    if (count(TargetStatus::NotConfirmed) > 0)
        details.append(
            QStringLiteral("%1 with a write not confirmed").arg(count(TargetStatus::NotConfirmed)));
    if (!details.isEmpty())
        text += QStringLiteral(" (%1)").arg(details.join(QStringLiteral(", ")));
    if (started < targets.size())
        text += QStringLiteral(", %1 not started (interrupted)").arg(targets.size() - started);
    return text;
}

int Fleet::exitStatus() const
{
    const int succeeded = count(TargetStatus::Done) + count(TargetStatus::Unchanged);
    const int failed
        = count(TargetStatus::Failed) + count(TargetStatus::BadInput) + count(TargetStatus::NotConfirmed);
    if (count(TargetStatus::NotConfirmed) > 0)
        return ExitNotConfirmed;
    if (succeeded == 0 && count(TargetStatus::Partial) == 0)
        return failed == count(TargetStatus::BadInput) ? ExitBadInput : ExitAllFailed;
    if (failed > 0 || count(TargetStatus::Partial) > 0)
        return ExitSomeFailed;
    return ExitSuccess;
}
