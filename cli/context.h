#pragma once

#include "cli/output.h"
#include "cli/reporter.h"

#include "core/device/moduleclient.h"

#include <QJsonObject>
#include <QString>

// The options of every command, given before or after it.
struct GlobalOptions
{
    OutputFormat format = OutputFormat::Table;
    int jobs = 8;
    double timeoutSeconds = 5;
    int retries = 2;
    bool retriesGiven = false; // named on the command line: also for modules not heard from yet
    bool quiet = false;
    bool verbose = false;
    QString modulesFile;
    QString catalogFile;
    bool catalogGiven = false; // named on the command line, so it must be there
};

// What every command works with: the options and the messages.
class Context
{
public:
    explicit Context(const GlobalOptions &options);

    // With -v, every failed request is told as detail.
    ClientSettings clientSettings();
    // The descriptions catalog; empty without one. False, after a message, when the catalog
    // named on the command line cannot be read.
    bool loadCatalog(QJsonObject *catalog);
    // Whether a person is there to answer a question: standard input and error are terminals.
    bool canAsk() const;

    GlobalOptions options;
    Reporter reporter;
};
