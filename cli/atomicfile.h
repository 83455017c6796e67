#pragma once

#include <QByteArray>
#include <QString>

// A file written all or nothing, readable by its owner only (backups hold passwords). The
// content goes into a file that has no name yet (O_TMPFILE) and is given its name once it
// is complete, so a process killed while writing leaves nothing behind. Where the file
// system has no such files, the content goes to a hidden name that this class recognises
// and removes when its writer is gone.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile(); // discards what was written unless commit() succeeded
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open(); // false for a path that is a symbolic link
    bool write(const QByteArray &data);
    // Gives the complete file its name, replacing a file of that name.
    bool commit();
    QString errorString() const { return error; }

private:
    bool fail(const QString &what);
    bool openNamed();
    QString partialPath(qint64 pid) const;
    void removeStalePartials() const;

    QString path;
    QString directory;
    QString partial; // the hidden name, when the content has one while being written
    int fd = -1;
    QString error;
};
