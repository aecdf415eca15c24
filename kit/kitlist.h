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

// The places of this machine: a Qt folder at the root of each drive, the QTDIR
// variable and the folders on PATH.
KitPlaces systemKitPlaces();

// The Qt kits in those places, each once, as absolute folders with forward
// slashes: those under the roots first, by name, then those in kitFolders,
// then those whose bin is in binFolders.
QStringList findKits(const KitPlaces &places);

#endif // KITLIST_H
