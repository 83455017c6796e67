#pragma once

#include "core/device/pagecompare.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ModuleClient;

// A page written whole, read back and compared with what it must hold afterwards.

// One page to write.
struct PageWrite
{
    QString pageKey;
    QJsonObject document; // the whole page reply, with the options to write in place
    // The options, and members of groups, the page must hold afterwards, with their values;
    // what the page holds besides may be anything.
    QJsonObject mustHold;
};

// The write of a page reply with changes made: the B value of each in place, and each to
// be held afterwards.
PageWrite changesWrite(const QString &pageKey, const QJsonObject &pageReply,
                       const QList<Difference> &changes);

struct PageWriteOutcome
{
    enum Kind {
        Confirmed, // read back holding every value it must
        WriteFailed, // the module may or may not have taken the write
        ReadBackFailed, // written, but the page could not be read again
        Differs, // read back without some of the values it must hold
    };
    Kind kind = WriteFailed;
    // Why not, in one line of English for the command line; empty when confirmed.
    QString reason;
    // Differs: the places that do not hold their value; a is the value read back (undefined
    // when the page lacks it), b the value it must hold.
    QList<Difference> differences;
    QJsonObject readBack; // the whole page object read back, when it was
};

// Writes the page and reads it back through the client. Returns at once: done is called once
// from the client's callbacks, and not at all when the client is cancelled or destroyed
// first.
void writeAndReadBack(ModuleClient *client, const PageWrite &write,
                      std::function<void(const PageWriteOutcome &)> done);

struct PagesWritten
{
    QStringList confirmed; // the pages written and confirmed, in order
    // Of the last page tried: Confirmed when every page was (or there was none to write).
    PageWriteOutcome last;
};

// The pages in the order given, each written and read back, stopping at the first that is
// not confirmed. done is called as above, also for no pages: never before this returns.
void writeAndReadBackInTurn(ModuleClient *client, const QList<PageWrite> &writes,
                            std::function<void(const PagesWritten &)> done);
