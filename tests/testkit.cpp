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

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
