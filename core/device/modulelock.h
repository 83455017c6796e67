#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

// Writers on one machine take turns with a module: every sequence of re-read, write and read
// back holds the module's lock, a file shared by the window and every quillnet process of the
// user. The lock of a process that died is taken over. While held, the file is touched now and
// then, so that a waiter can tell a holder at work from one that hangs.
class ModuleLock : public QObject
{
public:
    explicit ModuleLock(const QString &moduleAddress, QObject *parent = nullptr);
    ~ModuleLock() override;

    // Takes the lock; done is called with an empty text once it is held, or with the reason
    // it could not be: the lock file cannot be made, or its holder has shown no sign of life
    // for timeoutMs. A free lock is told held before this returns; a wait or a failure is
    // never told before it returns. Never called after the lock is destroyed.
    void acquire(int timeoutMs, std::function<void(const QString &error)> done);
    void release();
    bool isHeld() const { return held; }

    // The folder of the locks: $XDG_RUNTIME_DIR/quillnet, or without it a folder of the
    // user's own in the temporary folder. Empty, with the reason in *error, when it cannot be
    // made or is not the user's alone.
    static QString folder(QString *error);
    // The lock file of a module, named from its address.
    static QString fileName(const QString &moduleAddress, const QString &folder);

private:
    void tryOnce();
    // Takes the lock if it is free, and tells so.
    bool takeIfFree();
    void tell(const QString &error);
    QString holderText() const;

    QString address;
    std::unique_ptr<QLockFile> file;
    QString path;
    QString folderError; // why the lock folder could not be made
    QTimer retry;
    QTimer heartbeat;
    int timeoutMs = 0;
    qint64 waitingSince = 0;
    bool held = false;
    std::function<void(const QString &)> done;
};
