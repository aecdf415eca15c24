#include "deployrequest.h"

namespace {

bool isDriveName(const QString &text)
{
    if (text.size() != 2 || text.at(1) != QLatin1Char(':'))
        return false;
    const QChar letter = text.at(0).toUpper();
    return letter >= QLatin1Char('A') && letter <= QLatin1Char('Z');
}

} // namespace

AppPathParts splitAppPath(const QString &path)
{
    AppPathParts parts;
    parts.path = path;
    parts.file = path.section(QLatin1Char('/'), -1, -1);
    parts.baseName = parts.file.section(QLatin1Char('.'), 0, 0);
    const int lastSlash = path.lastIndexOf(QLatin1Char('/'));
    parts.dir = path.left(lastSlash);
    // "C:" alone names the drive's current folder, not its root, and "" no
    // folder at all: a root keeps its separator.
    if (lastSlash == 0 || isDriveName(parts.dir))
        parts.dir += QLatin1Char('/');
    return parts;
}

QStringList qmlDirArguments(const QString &qmlDir)
{
    return { QStringLiteral("--qmldir"), qmlDir };
}

QStringList deployArguments(const QString &appPath, const QStringList &qmlArgs,
                            const DeployOptions &options)
{
    QStringList args { appPath };
    // An empty "--qmldir" would make the tool skip its own QML detection.
    if (options.qml && qmlArgs.size() == 2 && !qmlArgs.at(1).isEmpty())
        args << qmlArgs.at(0) << qmlArgs.at(1);
    if (options.noWebKit)
        args << QStringLiteral("--no-webkit2");
    if (options.noD3dCompiler)
        args << QStringLiteral("--no-system-d3d-compiler");
    if (options.release)
        args << QStringLiteral("--release");
    if (options.noCompilerRuntime)
        args << QStringLiteral("--no-compiler-runtime");
    return args;
}
