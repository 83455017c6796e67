#pragma once

#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"

#include <memory>

// The shipped sample catalog, as the simulator serves it.
QByteArray sampleCatalog();

// A main window whose module list (options.ini) holds the given module entries and whose
// description.json holds catalog, built in the current working directory, with a watcher
// that records and closes every modal box.
class ModuleSession
{
public:
    explicit ModuleSession(const QStringList &moduleEntries, const QByteArray &catalog = sampleCatalog());

    // Pick selector entry index, or make the page-list entry carrying pageKey current (false
    // when there is none), and wait until the reply has been handled; requestPage() does not wait.
    bool selectModule(int index = 1);
    bool requestPage(const QString &pageKey);
    bool openPage(const QString &pageKey);

    QStringList pageTexts() const { return listData(Qt::DisplayRole); }
    QStringList pageKeys() const { return listData(Qt::UserRole); }
    // One line per table row: "label|kind|key|editor", the editor as "header" (a label
    // spanning both columns, centred), "text:T", "shown:T" (read-only), "number:T" (line edit with a full-range
    // integer validator), "flag:1"/"flag:0", "choice:A|B|C@index", "cell:T", or "?".
    QStringList rows() const;
    QStringList boxTexts() const; // of the modal boxes shown so far

    ModalWatcher modals;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;

private:
    QStringList listData(int role) const;
};
