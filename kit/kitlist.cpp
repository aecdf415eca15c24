#include "kitlist.h"

#include "kitpaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

QStringList subfolders(const QString &path)
{
    const QDir dir(path);
    QStringList paths;
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        paths << dir.filePath(name);
    return paths;
}

} // namespace

KitPlaces systemKitPlaces()
{
    KitPlaces places;
    const QFileInfoList drives = QDir::drives();
    for (const QFileInfo &drive : drives)
        places.roots << QDir(drive.absoluteFilePath()).filePath(QStringLiteral("Qt"));
    places.kitFolders << qtDirFromEnvironment();
    places.binFolders = qEnvironmentVariable("PATH").split(QDir::listSeparator());
    return places;
}

QStringList findKits(const KitPlaces &places)
{
    QStringList candidates;
    for (const QString &root : places.roots) {
        const QStringList versions = subfolders(root);
        for (const QString &version : versions)
            candidates += subfolders(version);
    }
    candidates += places.kitFolders;
    for (const QString &bin : places.binFolders) {
        if (!bin.isEmpty())
            candidates << bin + QStringLiteral("/..");
    }

    QStringList kits;
    QList<QFileInfo> found;
    for (const QString &candidate : qAsConst(candidates)) {
        // An empty folder would name the working directory.
        if (candidate.isEmpty())
            continue;
        const QString kit =
                QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(candidate)).absoluteFilePath());
        // The same kit may be reached twice, through another spelling of its
        // path (letter case on Windows, a link).
        if (holdsDeployTool(kit) && !found.contains(QFileInfo(kit))) {
            kits << kit;
            found << QFileInfo(kit);
        }
    }
    return kits;
}
