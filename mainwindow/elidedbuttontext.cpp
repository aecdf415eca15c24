#include "elidedbuttontext.h"

#include <QEvent>
#include <QPushButton>
#include <QStyleOptionButton>

ElidedButtonText::ElidedButtonText(QPushButton *button) : QObject(button), button(button)
{
    // The button keeps the width its own text asks for.
    button->ensurePolished();
    button->setMinimumWidth(button->sizeHint().width());
    button->installEventFilter(this);
}

void ElidedButtonText::setText(const QString &text)
{
    button->setToolTip(text);
    elide();
}

bool ElidedButtonText::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        elide();
    return QObject::eventFilter(watched, event);
}

void ElidedButtonText::elide()
{
    if (button->toolTip().isEmpty())
        return;
    QStyleOptionButton option;
    option.initFrom(button);
    const int padding =
            button->style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(), button).width();
    button->setText(button->fontMetrics().elidedText(button->toolTip(), Qt::ElideMiddle,
                                                     button->width() - padding));
}
