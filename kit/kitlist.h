#ifndef KITLIST_H
#define KITLIST_H

#include <QString>
#include <QStringList>

// Where Qt kits may be on a machine.
struct KitPlaces
{
    QStringList roots; // folders laid out as <version>/<kit>, such as C:/Qt
    QStringList kitFolders; // folders that may be kits themselves, such as QTDIR's
    QStringList binFolders; // folders that may be a kit's bin, such as PATH's
};

// The places of this machine on its local fixed drives: a Qt folder at the
// root of each, the QTDIR variable and the folders on PATH.
KitPlaces systemKitPlaces();

// The Qt kits in those places, each once, as absolute folders with forward
// slashes: those under the roots first, by name, then those in kitFolders,
// then those whose bin is in binFolders.
QStringList findKits(const KitPlaces &places);

// The kits findKits() lists for some places, looked for when first asked for:
// a run needs them only when the configured kit is missing or does not fit.
// Made from a list, it is that list.
class FoundKits
{
public:
    FoundKits(const QStringList &kits);
    explicit FoundKits(const KitPlaces &places);

    const QStringList &list() const;

private:
    KitPlaces places;
    mutable bool searched;
    mutable QStringList kits;
};

// The Qt kits one or two levels below `folder` (a version folder, or a Qt
// folder as the installer lays it out), by name, as absolute folders with
// forward slashes.
QStringList kitsBelow(const QString &folder);

#endif // KITLIST_H
