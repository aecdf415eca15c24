#ifndef PEIMAGE_H
#define PEIMAGE_H

#include <QString>
#include <QStringList>
#include <QVector>

// What Trevalo needs to know of a Windows program or DLL: whether it is 32- or
// 64-bit, which DLLs it imports, and which it loads only on first use.
struct PeImage
{
    int bits = 0; // 32 or 64; 0: not a Windows program this reader understands
    QStringList imports; // as written in the file, e.g. "Qt5Core.dll"
    QStringList delayImports; // delay-loaded: needed only when first called

    bool isValid() const { return bits != 0; }
};

// Reads the headers and the import tables of the file at `path`, and nothing
// else: every read is bounded and checked against the file's size, so that a
// truncated or hostile file, however large, is read in a few small pieces.
PeImage readPeImage(const QString &path);

// The file version of the program or DLL at `path`: the four numbers of its
// version resource's fixed file information, or none when it has no such
// resource. Read as boundedly as the imports.
QVector<int> readFileVersion(const QString &path);

#endif // PEIMAGE_H
