#ifndef ELIDEDBUTTONTEXT_H
#define ELIDEDBUTTONTEXT_H

#include <QObject>
#include <QString>

class QPushButton;

// Shows a long text on a button as much of it as fits, elided in the middle,
// with the whole text as the button's tool tip; elided again whenever the
// button is resized, so the text never widens the window.
class ElidedButtonText : public QObject
{
    Q_OBJECT

public:
    explicit ElidedButtonText(QPushButton *button);

    void setText(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void elide();

    QPushButton *button;
};

#endif // ELIDEDBUTTONTEXT_H
