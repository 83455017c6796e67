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

// What a command wants the catalog for. A write needs its choice lists and description types:
// without them "STA" would go as text into an option whose values are 1, 2 and 3.
enum class CatalogUse {
    Labels, // titles and labels only: missing, it is said once and the command goes on
    Writing, // missing, the command writes nothing
    None, // --no-catalog: none is read
};

// What every command works with: the options and the messages.
class Context
{
public:
    explicit Context(const GlobalOptions &options);

    // With -v, every failed request is told as detail.
    ClientSettings clientSettings();
    // The descriptions catalog; empty without one. False, after a message, when the catalog
    // named on the command line cannot be read, or none is there for a write.
    bool loadCatalog(QJsonObject *catalog, CatalogUse use = CatalogUse::Labels);
    // False, after a message, when the text given for a MODULE is no module address.
    bool checkAddress(const QString &address);
    // Whether a person is there to answer a question: standard input and error are terminals.
    bool canAsk() const;

    GlobalOptions options;
    Reporter reporter;
};
