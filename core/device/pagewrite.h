#pragma once

#include "core/device/pagecompare.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ModuleClient;

// A page written whole and read back whole; and the safe sequence around it: the module's
// lock taken, the page read again, only the changed places merged onto it, written, read back
// and compared place by place, the lock given back.

// One page to write.
struct PageWrite
{
    QString pageKey;
    QJsonObject document; // the whole page reply, with the options to write in place
};

// The write of a page reply with changes made: the B value of each in place.
PageWrite changesWrite(const QString &pageKey, const QJsonObject &pageReply,
                       const QList<Difference> &changes);

// A place changed here and on the module since the page was loaded.
struct Conflict
{
    Difference change; // a: the value as loaded, b: ours
    QJsonValue now; // on the module now; undefined when the module has no such place any more
};

struct PageWriteOutcome
{
    enum Kind {
        Confirmed, // read back holding exactly what was written
        NotLocked, // another writer on this machine held the module too long: nothing sent
        ReadFailed, // the page could not be read again, or what came is no page: nothing written
        Conflicted, // places changed here and on the module too: nothing written
        Changed, // the page is not as it was loaded, and any change stops: nothing written
        WriteFailed, // the module may or may not have taken the write
        ReadBackFailed, // written, but the page could not be read again
        Differs, // read back with places that differ from what was written
    };
    Kind kind = WriteFailed;
    // Why not, in one line of English for the command line; empty when confirmed.
    QString reason;
    // Differs: the places that differ, a as read back, b as written (undefined where the side
    // lacks the place). Changed: a as loaded, b on the module now.
    QList<Difference> differences;
    QList<Conflict> conflicts; // Conflicted
    QJsonObject readBack; // the whole page object read back, when it was

    // Whether the write went out: the module may hold it.
    bool writeSent() const { return kind == Confirmed || kind >= WriteFailed; }
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
    bool stopped = false; // pages were left unwritten because mayGoOn said no
};

// The pages in the order given, each written and read back, stopping at the first that is
// not confirmed, or before a page when mayGoOn (if given) says no. done is called as above,
// also for no pages: never before this returns.
void writeAndReadBackInTurn(ModuleClient *client, const QList<PageWrite> &writes,
                            std::function<void(const PagesWritten &)> done,
                            const std::function<bool()> &mayGoOn = nullptr);

// Changes made on a page as it was loaded, to be saved onto the page as the module has it now.
struct PageSave
{
    QString pageKey;
    QJsonObject loaded; // the page reply the changes were made on
    QList<Difference> changes; // a: the value as loaded, b: the value to write
    enum Rule {
        MergeOthers, // the module's other changes are kept; a changed place of ours conflicts
        WriteOverConflicts, // the same, and ours go out where the module changed them too
        StopOnAnyChange, // any change on the module since the page was loaded stops the save
    };
    Rule rule = MergeOthers;
};

// The safe sequence: the module's lock, the page read again, the changes merged onto it, the
// write, the page read back whole and compared, the lock given back before done is called.
// The lock is waited for as long as a request may take. done as for writeAndReadBack().
void savePage(ModuleClient *client, const PageSave &save, std::function<void(const PageWriteOutcome &)> done);

// The value at the place of a difference in a page's options; undefined when there is none.
QJsonValue valueAt(const QJsonObject &options, const Difference &place);
