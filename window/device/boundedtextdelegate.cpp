#include "window/device/boundedtextdelegate.h"

QString BoundedTextDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.type() == QVariant::String)
        return QStyledItemDelegate::displayText(value.toString().left(kShownTextLength), locale);
    return QStyledItemDelegate::displayText(value, locale);
}
