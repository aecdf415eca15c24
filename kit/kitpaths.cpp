#include "kitpaths.h"

#include <QFileInfo>

namespace {
const QLatin1String toolInKit("/bin/windeployqt.exe");
} // namespace

QString deployToolIn(const QString &qtDir)
{
    return qtDir + toolInKit;
}

QString kitDirOf(const QString &toolPath)
{
    return toolPath.left(toolPath.size() - toolInKit.size());
}

bool holdsDeployTool(const QString &qtDir)
{
    return QFileInfo(deployToolIn(qtDir)).isFile();
}

QString qtDirFromEnvironment()
{
    return qEnvironmentVariable("QTDIR").replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString kitMenuHint()
{
    return QStringLiteral("设置 → 选择 Qt 目录…");
}
