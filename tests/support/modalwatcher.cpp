#include "support/modalwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace {

constexpr int kPollIntervalMs = 10;

void close(QWidget *widget)
{
    auto *box = qobject_cast<QMessageBox *>(widget);
    if (box && !box->buttons().isEmpty())
        box->buttons().first()->click();
    else if (auto *dialog = qobject_cast<QDialog *>(widget))
        dialog->reject();
    else
        widget->close();
}

} // namespace

ModalWatcher::ModalWatcher()
{
    connect(&timer, &QTimer::timeout, this, &ModalWatcher::poll);
    timer.start(kPollIntervalMs);
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
    ModalRecord record{modal->windowTitle(), {}, {}, QMessageBox::NoIcon, modal->parentWidget() != nullptr};
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        record.text = box->text();
        record.details = box->detailedText();
        record.icon = box->icon();
    }
    records.append(record);
    if (handler)
        handler(modal);
    else
        close(modal);
}
