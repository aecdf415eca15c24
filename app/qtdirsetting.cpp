#include "qtdirsetting.h"

#include <QSettings>

namespace {
const char qtDirKey[] = "/QTDIR/PATH";
}

QString defaultQtDir()
{
    return QStringLiteral("C:/Qt/Qt5.12.0/5.12.0/msvc2015_64");
}

QString qtDirFromSettings(QSettings &settings)
{
    // A hand-edited file holds its folder names in UTF-8, not Latin-1.
    settings.setIniCodec("UTF-8");
    QString qtDir = settings.value(QLatin1String(qtDirKey), QVariant()).toString();
    if (qtDir.isEmpty()) {
        qtDir = defaultQtDir();
        settings.setValue(QLatin1String(qtDirKey), qtDir);
    }
    return qtDir;
}
