#ifndef QTDIRSETTING_H
#define QTDIRSETTING_H

#include <QString>

class QSettings;

// The Qt kit folder used when the configuration holds none.
QString defaultQtDir();

// Reads the Qt kit folder from PATH of the [QTDIR] section, as UTF-8, with
// the section and key names in any letter case. A missing or empty value is
// replaced by the default, which is also written back to the store; a value
// that is present is returned as the user wrote it (commas and all, with "/"
// for each backslash, single or doubled) and the store is left untouched.
QString qtDirFromSettings(QSettings &settings);

#endif // QTDIRSETTING_H
