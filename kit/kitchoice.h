#ifndef KITCHOICE_H
#define KITCHOICE_H

#include "kitlist.h"

#include <QString>
#include <QStringList>

// The Qt kit a run uses, and what the window says about it.
struct KitChoice
{
    QString dir; // the kit in use; empty when there is none
    // When a kit found stands in for the configured one, the line to show
    // above the tool's output: which kit is used and why.
    QString note;
    // When no kit fits the program: the kind of kit it needs
    // ("a 64-bit MinGW Qt 5 kit"), empty where the program does not show it.
    QString needed;
};

// The configured kit folder when it holds the deployment tool: the user's
// choice always stands. Otherwise, once a program is chosen, the kit of
// `foundKits` that fits it best; before that, none. conf.ini is left as it is.
KitChoice chooseKit(const QString &configured, const FoundKits &foundKits, const QString &programPath);

#endif // KITCHOICE_H
