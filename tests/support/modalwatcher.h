#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

// What one modal box or dialog looked like when it appeared.
struct ModalRecord
{
    QString title;
    QString text; // a message box's text; empty for other dialogs
    QString details; // a message box's detailed text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasParent = false;
};

// Watches for modal boxes and dialogs: they run nested event loops, so a test cannot answer
// them from its own code path. A timer polls QApplication::activeModalWidget(); each new one
// is recorded and then handed to the handler, if one is set, or else closed (a message box
// by its first button, a dialog by reject()).
class ModalWatcher : public QObject
{
public:
    ModalWatcher();

    // Called with each new modal widget instead of closing it; it must end the dialog (accept(),
    // reject(), done()), else the watcher closes it on its next poll.
    void setHandler(std::function<void(QWidget *)> newHandler) { handler = std::move(newHandler); }

    QList<ModalRecord> records;
    int count() const { return records.size(); }
    const ModalRecord &last() const { return records.last(); }
    void clear() { records.clear(); }

private:
    void poll();

    QTimer timer;
    QPointer<QWidget> current;
    std::function<void(QWidget *)> handler;
};
