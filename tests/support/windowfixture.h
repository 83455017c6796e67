#pragma once

#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testjson.h"
#include "support/testworkdir.h"
#include "support/timeouts.h"
#include "window/app/mainwindow.h"

#include <QByteArray>
#include <QStringList>
#include <QtTest>
#include <QtWidgets>

#include <memory>

// A main window in a fresh working folder, beside a simulator that is a module and the
// descriptions server, every modal box recorded and, unless a handler takes it, closed.
class WindowFixture : public SimFixture
{
public:
    // Stores the module list and the local catalog (none when null: the window then downloads
    // one at start-up) in the folder, and opens the window there.
    void open(const QStringList &modules, const QByteArray &catalog = "{}");
    void openWindow()
    {
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }
    void closeWindow() // the window saves its module list as it goes
    {
        probe.reset();
        window.reset();
    }

    // Picks selector entry index, or makes the page list's entry carrying pageKey current, and
    // waits until the reply has been handled; requestPage() does not wait. False when the entry
    // is not there or the reply is not handled in time.
    bool selectModule(int index = 1);
    bool requestPage(const QString &pageKey);
    bool openPage(const QString &pageKey);
    bool trigger(const QString &menuItem); // false when no menu item has that text

    QStringList pageTexts() const { return listData(Qt::DisplayRole); }
    QStringList pageKeys() const { return listData(Qt::UserRole); }
    // The selector's entries after the prompt: their texts, or with Qt::UserRole their addresses.
    QStringList selector(int role = Qt::DisplayRole) const;
    // One line per table row: "label|kind|key|editor", the editor as "header" (a label spanning
    // both columns, centred), "text:T", "shown:T" (read-only), "number:T" (a line edit with a
    // full-range integer validator), "flag:1"/"flag:0", "choice:A|B|C@index", "cell:T", or "?".
    QStringList rows() const;
    QStringList boxes() const; // the texts of the boxes shown so far

    TestWorkDir dir;
    ModalWatcher modals;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;

private:
    QStringList listData(int role) const;
};

// Sends a datagram to the window's discovery port from a loopback address of its own (any
// 127.0.0.x works on Linux), the way a module on the network would.
bool sendFrom(const QString &source, const QByteArray &datagram);
// False when another program holds the discovery port: the kernel would hand it datagrams
// meant for the window.
bool discoveryPortFree();
