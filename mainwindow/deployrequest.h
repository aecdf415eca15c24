#ifndef DEPLOYREQUEST_H
#define DEPLOYREQUEST_H

#include <QString>
#include <QStringList>

// The five deployment options, as ticked on the form.
struct DeployOptions
{
    bool qml = false;
    bool noWebKit = false;
    bool noD3dCompiler = false;
    bool release = false;
    bool noCompilerRuntime = false;
};

// A chosen executable path taken apart on "/". The folder of a file at the
// root of a drive keeps its separator ("C:/", "/").
struct AppPathParts
{
    QString path;
    QString dir;
    QString file;
    QString baseName;
};

AppPathParts splitAppPath(const QString &path);

// The "--qmldir" pair for a QML folder text, also for an empty text.
QStringList qmlDirArguments(const QString &qmlDir);

// The tool's argument list: the executable first, then the options in a
// fixed order. The QML pair is only passed when it names a folder.
QStringList deployArguments(const QString &appPath, const QStringList &qmlArgs,
                            const DeployOptions &options);

#endif // DEPLOYREQUEST_H
