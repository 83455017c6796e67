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
    // An editor takes focus from a click or from Enter on its row (never from the wheel, which
    // would change the choice it gave focus to), and stays out of the Tab chain, so that Tab
    // from Save reaches the selector rather than the first editor.
    if (widget != table)
        widget->setFocusPolicy(Qt::ClickFocus);
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
