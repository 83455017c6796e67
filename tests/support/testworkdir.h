#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh temporary folder made the process's working directory for the lifetime of the
// object (the window keeps options.ini and description.json there); the previous working
// directory comes back afterwards.
class TestWorkDir
{
public:
    TestWorkDir();
    ~TestWorkDir();
    TestWorkDir(const TestWorkDir &) = delete;
    TestWorkDir &operator=(const TestWorkDir &) = delete;

    QString path() const;
    QString filePath(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &content) const;
    QByteArray readFile(const QString &name) const; // empty when missing
    bool exists(const QString &name) const;

private:
    QString previous;
    QTemporaryDir dir;
};
