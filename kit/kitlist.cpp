#include "kitlist.h"

#include "kitpaths.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

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

// Looking at a disconnected network drive, or a drive with no disc in it,
// can keep the window waiting for many seconds; Qt cannot tell the kinds of
// drive apart without looking.
bool isOnLocalFixedDrive(const QString &path)
{
#ifdef Q_OS_WIN
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    // A network path (\\server\share) has no drive letter.
    if (absolute.size() < 3 || absolute.at(1) != QLatin1Char(':'))
        return false;
    const QString root = absolute.left(3);
    return GetDriveTypeW(reinterpret_cast<const wchar_t *>(root.utf16())) == DRIVE_FIXED;
#else
    Q_UNUSED(path);
    return true;
#endif
}

QStringList onLocalFixedDrives(const QStringList &paths)
{
    QStringList local;
    for (const QString &path : paths) {
        if (!path.isEmpty() && isOnLocalFixedDrive(path))
            local << path;
    }
    return local;
}

} // namespace

KitPlaces systemKitPlaces()
{
    KitPlaces places;
    const QFileInfoList drives = QDir::drives();
    for (const QFileInfo &drive : drives)
        places.roots << QDir(drive.absoluteFilePath()).filePath(QStringLiteral("Qt"));
    places.roots = onLocalFixedDrives(places.roots);
    places.kitFolders = onLocalFixedDrives({ qtDirFromEnvironment() });
    places.binFolders = onLocalFixedDrives(qEnvironmentVariable("PATH").split(QDir::listSeparator()));
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

FoundKits::FoundKits(const QStringList &kits) : searched(true), kits(kits) { }

FoundKits::FoundKits(const KitPlaces &places) : places(places), searched(false) { }

const QStringList &FoundKits::list() const
{
    if (!searched) {
        kits = findKits(places);
        searched = true;
    }
    return kits;
}

QStringList kitsBelow(const QString &folder)
{
    QStringList kits;
    const QStringList children = subfolders(QFileInfo(folder).absoluteFilePath());
    for (const QString &child : children) {
        if (holdsDeployTool(child)) {
            kits << child;
            continue;
        }
        const QStringList grandchildren = subfolders(child);
        for (const QString &grandchild : grandchildren) {
            if (holdsDeployTool(grandchild))
                kits << grandchild;
        }
    }
    return kits;
}
