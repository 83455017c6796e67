#include "window/app/mainwindow.h"

#include "window/app/messageboxes.h"

#include <QEventLoop>
#include <QScopedValueRollback>

bool MainWindow::settleedits()
{
    if (settlingEdits)
        return false;
    if (!pageedited())
        return true;
    const QScopedValueRollback<bool> settling(settlingEdits, true);
    switch (askUnsavedEdits(this)) {
    case QMessageBox::Save:
        return saveconfirmed();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool MainWindow::saveconfirmed()
{
    // The save runs its requests and boxes in the event loop; the step waits for its end.
    bool finished = false;
    bool confirmed = false;
    QEventLoop loop;
    const QMetaObject::Connection connection
        = connect(this, &MainWindow::saveFinished, &loop, [&](bool saved) {
              finished = true;
              confirmed = saved;
              loop.quit();
          });
    saveopt();
    if (!finished)
        loop.exec();
    disconnect(connection);
    return confirmed;
}
