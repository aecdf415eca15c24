#ifndef KITPATHS_H
#define KITPATHS_H

#include <QString>

// The deployment tool inside a Qt kit folder, joined as written.
QString deployToolIn(const QString &qtDir);
// The Qt kit folder of a tool path made by deployToolIn().
QString kitDirOf(const QString &toolPath);
// Whether a folder is a Qt kit with the deployment tool, bin/windeployqt.exe.
bool holdsDeployTool(const QString &qtDir);

// The QTDIR environment variable, with "/" for each backslash; empty when unset.
QString qtDirFromEnvironment();

// Where in the window the user chooses another kit, for the lines that say so.
QString kitMenuHint();

#endif // KITPATHS_H
