#include "support/modalwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace {

constexpr int kPollIntervalMs = 10;

ModalRecord describe(QWidget *widget)
{
    ModalRecord record;
    record.className = QString::fromLatin1(widget->metaObject()->className());
    record.objectName = widget->objectName();
    record.title = widget->windowTitle();
    record.hasParent = widget->parentWidget() != nullptr;
    if (auto *box = qobject_cast<QMessageBox *>(widget)) {
        record.text = box->text();
        record.icon = box->icon();
        record.buttons = box->standardButtons();
    }
    return record;
}

void close(QWidget *widget)
{
    if (auto *box = qobject_cast<QMessageBox *>(widget)) {
        const QList<QAbstractButton *> buttons = box->buttons();
        if (!buttons.isEmpty()) {
            buttons.first()->click();
            return;
        }
    }
    if (auto *dialog = qobject_cast<QDialog *>(widget))
        dialog->reject();
    else
        widget->close();
}

} // namespace

ModalWatcher::ModalWatcher(QObject *parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &ModalWatcher::poll);
    timer.start(kPollIntervalMs);
}

void ModalWatcher::setHandler(std::function<void(QWidget *)> newHandler)
{
    handler = std::move(newHandler);
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (modal == current) {
        // Still open after its handler ran: close it so that no test hangs.
        close(modal);
        return;
    }
    current = modal;
    records.append(describe(modal));
    if (handler)
        handler(modal);
    else
        close(modal);
}
