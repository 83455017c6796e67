#pragma once

#include "sim/modulesimulator.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The built quillnet, run as a script would run it: no terminal, its own working folder.
struct QuillnetRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QJsonValue json() const; // standard output as one JSON document
    QList<QJsonObject> lines() const; // standard output as JSON lines
};

// Runs quillnet with args in dir, standard input from input; waits for it with the event loop
// running, so that servers of the test keep answering. prepare may redirect its output.
QuillnetRun runQuillnet(const QString &dir, const QStringList &args, const QByteArray &input = {},
                        const std::function<void(QProcess *)> &prepare = {});
// Starts it without waiting.
std::unique_ptr<QProcess> startQuillnet(const QString &dir, const QStringList &args,
                                        const std::function<void(QProcess *)> &prepare = {});

// A simulated module on a free loopback port with the given pages in the given order.
std::unique_ptr<ModuleSimulator> startModule(const QJsonObject &pages, const QStringList &order = {});
QString moduleAddress(const ModuleSimulator &module);
// A loopback address where nothing answers: a simulator's port once it has stopped.
QString deadAddress();

QJsonObject jsonObject(const QByteArray &text);
// Page keys of a simulator's writes, in order.
QStringList writtenPages(const ModuleSimulator &module);

// A module's sample state: pages "1" (plain and choice options), "3" (a group), one whose key
// and option key hold "/", ":", "#", "%", a blank, Cyrillic and "~", and "promode", listed
// in that order; and a catalog that describes some of them.
QString oddKey();
QJsonObject samplePages();
QStringList sampleOrder();
QByteArray sampleCatalog();
