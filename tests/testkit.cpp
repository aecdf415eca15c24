#include "testkit.h"

#include <QDir>
#include <QFile>

FakeQtKit::FakeQtKit()
{
    if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("bin")))
        return;
    installed = QFile::copy(QStringLiteral(STANDIN_TOOL), toolPath());
}

bool FakeQtKit::isValid() const
{
    return installed;
}

QString FakeQtKit::qtDir() const
{
    return dir.path();
}

QString FakeQtKit::toolPath() const
{
    return dir.path() + QStringLiteral("/bin/windeployqt.exe");
}
