#pragma once

#include "sim/modulefleet.h"
#include "sim/modulesimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>
#include <QString>

// Prints a line on standard output at once: the output is often a pipe or a log that is read
// while the simulator runs.
void print(const QString &line);
// Prints "quillnet-module-sim: MESSAGE" on standard error and exits with status 1.
[[noreturn]] void fail(const QString &message);

// The simulator's command line: the options with their help and defaults, and each option's
// value, checked when it is asked for. The command asks in the order it uses them, so that a
// bad value is reported at the step that needs it; a bad value ends the program with a
// message that names the option.
class SimCommandLine
{
public:
    // Processes the arguments of app; --help prints the options and ends the program there.
    explicit SimCommandLine(const QCoreApplication &app);

    QString address() const;
    int port() const; // 0 picks a free port
    int modules() const; // how many modules to serve, on consecutive ports from port()
    // Whether to add the simulator to the module list file instead of serving, and the file.
    bool addsToModuleList() const;
    QString moduleListFile() const;
    QString pagesFile() const;
    QString catalogFile() const;

    // An endpoint's behaviour as given, without the delay of --delay.
    ModuleSimulator::Behaviour pageListAnswer() const;
    ModuleSimulator::Behaviour writeAnswer() const;
    ModuleSimulator::Behaviour catalogAnswer() const;
    struct PageAnswer
    {
        QString key; // empty: every page without one of its own
        ModuleSimulator::Behaviour behaviour;
    };
    QList<PageAnswer> pageAnswers() const;
    int delayMs() const; // 0 when not given
    // Which modules of a fleet fail and how, without the delay of --delay.
    QList<ModuleFleet::FaultRule> faultRules() const;

    struct Announcements
    {
        bool on = false;
        QString host; // an IP address, as given
        quint16 port = 0;
        int intervalSeconds = 0;
    };
    Announcements announcements() const;
    // The default target of the announcements, as the help and messages show it.
    static QString defaultAnnounceTarget();

private:
    ModuleSimulator::Behaviour behaviour(const QString &option) const;

    QCommandLineParser parser;
};
