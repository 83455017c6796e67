#pragma once

#include <QStyledItemDelegate>

// Paints at most kShownTextLength characters of an item's text. Painting lays out the
// text it shows, and a value or key of megabytes would stall the window for seconds on
// every repaint; the item itself keeps the whole text for saving and the value editor.
class BoundedTextDelegate : public QStyledItemDelegate
{
public:
    static constexpr int kShownTextLength = 4096;

    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override;
};
