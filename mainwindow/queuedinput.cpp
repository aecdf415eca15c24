#include "queuedinput.h"

#include <QCoreApplication>
#include <QInputEvent>

namespace {

class InputFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (dynamic_cast<QInputEvent *>(event))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void dropQueuedInput()
{
    InputFilter filter;
    QCoreApplication::instance()->installEventFilter(&filter);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&filter);
}

#include "queuedinput.moc"
