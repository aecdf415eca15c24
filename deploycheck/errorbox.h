#ifndef ERRORBOX_H
#define ERRORBOX_H

#include <QStringList>

// What a program shows on screen when all it shows are message boxes.
struct ErrorBoxes
{
    bool onlyBoxes = false; // visible top-level windows, and every one a message box
    QStringList texts; // their titles and texts, where they can be read
};

// Looks at the visible top-level windows of the process `processId`: a
// message box is a dialog of class "#32770" holding texts and buttons and
// nothing else. Windows only; elsewhere nothing is found.
ErrorBoxes readErrorBoxes(qint64 processId);

#endif // ERRORBOX_H
