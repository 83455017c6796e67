#include "support/testworkdir.h"

#include <QDir>
#include <QFile>

TestWorkDir::TestWorkDir()
    : previous(QDir::currentPath())
{
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        qFatal("Cannot make a temporary working directory");
}

TestWorkDir::~TestWorkDir()
{
    QDir::setCurrent(previous);
}

QString TestWorkDir::path() const
{
    return dir.path();
}

QString TestWorkDir::filePath(const QString &name) const
{
    return dir.filePath(name);
}

void TestWorkDir::writeFile(const QString &name, const QByteArray &content) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("Cannot write %s", qPrintable(name));
}

QByteArray TestWorkDir::readFile(const QString &name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestWorkDir::exists(const QString &name) const
{
    return QFile::exists(filePath(name));
}
