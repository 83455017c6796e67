#include "window/device/tableeditorguard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableWidget>

TableEditorGuard::TableEditorGuard(QTableWidget *guarded, QWidget *after, QWidget *before)
    : QObject(guarded)
    , table(guarded)
    , next(after)
    , previous(before)
{ }

void TableEditorGuard::guard(QWidget *widget)
{
    // A wheel that gave focus would change the choice it gave it to.
    if (widget->focusPolicy() == Qt::WheelFocus)
        widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(this);
}

bool TableEditorGuard::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::Wheel && widget != table && !widget->hasFocus()) {
        QCoreApplication::sendEvent(table->verticalScrollBar(), event);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool control = key->modifiers() & Qt::ControlModifier;
        if (!control && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
            (back ? previous : next)->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
