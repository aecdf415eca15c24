#include "peimage.h"

#include <QByteArray>
#include <QFile>
#include <QVector>
#include <QtEndian>

namespace {

// Bounds on what a hostile file can make the reader do. A Windows program has
// at most 96 sections; a few hundred imported DLLs is far more than any has.
const int maxSections = 96;
const int maxImports = 1024;
const int maxNameLength = 256;
const int descriptorSize = 20;
const int sectionHeaderSize = 40;

quint16 u16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

quint32 u32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

struct Section
{
    quint32 virtualAddress;
    quint32 virtualSize;
    quint32 rawSize;
    quint32 rawOffset;
};

class Reader
{
public:
    explicit Reader(const QString &path) : file(path)
    {
        if (file.open(QIODevice::ReadOnly))
            size = file.size();
    }

    // Up to `length` bytes from `offset`, fewer at the end of the file.
    QByteArray read(qint64 offset, int length)
    {
        if (offset < 0 || offset >= size || length <= 0 || !file.seek(offset))
            return QByteArray();
        return file.read(qMin<qint64>(length, size - offset));
    }

    qint64 fileSize() const { return size; }

private:
    QFile file;
    qint64 size = 0;
};

// The file offset of a relative virtual address, or -1 where no section holds it.
qint64 fileOffset(const QVector<Section> &sections, quint32 rva)
{
    for (const Section &section : sections) {
        const quint64 extent = qMax(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva - section.virtualAddress < extent) {
            const quint64 within = rva - section.virtualAddress;
            if (within >= section.rawSize)
                return -1; // zero-filled in memory, not stored in the file
            return qint64(section.rawOffset + within);
        }
    }
    return -1;
}

} // namespace

PeImage readPeImage(const QString &path)
{
    PeImage image;
    Reader reader(path);

    const QByteArray dos = reader.read(0, 64);
    if (dos.size() < 64 || !dos.startsWith("MZ"))
        return image;
    const qint64 peOffset = u32(dos, 0x3c);

    // Signature "PE\0\0" and the file header.
    const QByteArray header = reader.read(peOffset, 24);
    if (header.size() < 24 || !header.startsWith(QByteArray("PE\0\0", 4)))
        return image;
    int bits = 0;
    switch (u16(header, 4)) {
    case 0x014c: // i386
        bits = 32;
        break;
    case 0x8664: // x64
    case 0xaa64: // ARM64
        bits = 64;
        break;
    default:
        return image;
    }
    const int sectionCount = qMin<int>(u16(header, 6), maxSections);
    const int optionalSize = u16(header, 20);

    // The optional header's data directories; the second names the imports.
    const QByteArray optional = reader.read(peOffset + 24, qMin(optionalSize, 240));
    if (optional.size() < 2)
        return image;
    int directories = 0;
    int directoryCountAt = 0;
    switch (u16(optional, 0)) {
    case 0x10b: // PE32
        directoryCountAt = 92;
        directories = 96;
        break;
    case 0x20b: // PE32+
        directoryCountAt = 108;
        directories = 112;
        break;
    default:
        return image;
    }
    image.bits = bits;
    if (optional.size() < directories + 16 || u32(optional, directoryCountAt) < 2)
        return image;
    const quint32 importRva = u32(optional, directories + 8);
    if (importRva == 0)
        return image;

    const QByteArray sectionTable =
            reader.read(peOffset + 24 + optionalSize, sectionCount * sectionHeaderSize);
    QVector<Section> sections;
    for (int at = 0; at + sectionHeaderSize <= sectionTable.size(); at += sectionHeaderSize)
        sections.append({ u32(sectionTable, at + 12), u32(sectionTable, at + 8),
                          u32(sectionTable, at + 16), u32(sectionTable, at + 20) });

    // The import descriptors, up to the one that is all zero; each names a DLL.
    const QByteArray descriptors =
            reader.read(fileOffset(sections, importRva), maxImports * descriptorSize);
    for (int at = 0; at + descriptorSize <= descriptors.size(); at += descriptorSize) {
        if (descriptors.mid(at, descriptorSize).count('\0') == descriptorSize)
            break;
        const QByteArray name =
                reader.read(fileOffset(sections, u32(descriptors, at + 12)), maxNameLength);
        const int end = name.indexOf('\0');
        if (end > 0)
            image.imports.append(QString::fromLatin1(name.left(end)));
    }
    return image;
}
