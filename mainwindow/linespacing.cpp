#include "linespacing.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QtMath>

void allowOrdinaryLineHeights(QWidget *form)
{
    const QList<QWidget *> widgets = form->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!qobject_cast<QLabel *>(widget) && !qobject_cast<QAbstractButton *>(widget)
            && !qobject_cast<QLineEdit *>(widget))
            continue;
        // The style sheets set the fonts of some widgets.
        widget->ensurePolished();
        const int ordinary = qCeil(1.3 * QFontInfo(widget->font()).pixelSize());
        const int excess = widget->fontMetrics().height() - ordinary;
        if (excess > 0)
            widget->setMinimumHeight(widget->minimumSizeHint().height() - excess);
    }
}
