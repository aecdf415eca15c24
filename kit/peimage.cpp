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
const int delayDescriptorSize = 32;
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

    // Up to `length` bytes from `offset`, fewer at the end of the file. The
    // headers, and the import descriptors and their names, lie close together:
    // reading whole pages serves most reads from the last one.
    QByteArray read(qint64 offset, int length)
    {
        if (offset < 0 || offset >= size || length <= 0)
            return QByteArray();
        const qint64 end = qMin<qint64>(offset + length, size);
        if (offset < cachedAt || end > cachedAt + cache.size()) {
            const qint64 start = offset - offset % pageSize;
            if (!file.seek(start))
                return QByteArray();
            cache = file.read(qMin<qint64>(qMax<qint64>(end - start, pageSize), size - start));
            cachedAt = start;
        }
        return cache.mid(int(offset - cachedAt), int(end - offset));
    }

private:
    static const int pageSize = 4096;
    QFile file;
    qint64 size = 0;
    QByteArray cache;
    qint64 cachedAt = 0;
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

// The DLL names of a table of import descriptors, up to the one that is all
// zero. Each descriptor holds the address of its DLL's name at `nameAt`; the
// old delay-load format gives that address with the image base added.
QStringList dllNames(Reader &reader, const QVector<Section> &sections, quint32 tableRva, int size,
                     int nameAt, bool delayLoad, quint64 imageBase)
{
    QStringList names;
    const QByteArray descriptors = reader.read(fileOffset(sections, tableRva), maxImports * size);
    for (int at = 0; at + size <= descriptors.size(); at += size) {
        if (descriptors.mid(at, size).count('\0') == size)
            break;
        quint64 nameAddress = u32(descriptors, at + nameAt);
        if (delayLoad && (u32(descriptors, at) & 1) == 0)
            nameAddress -= imageBase; // wraps to an address no section holds when below it
        if (nameAddress > 0xffffffffu)
            continue;
        const QByteArray name = reader.read(fileOffset(sections, quint32(nameAddress)), maxNameLength);
        const int end = name.indexOf('\0');
        if (end > 0)
            names.append(QString::fromLatin1(name.left(end)));
    }
    return names;
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
    quint64 imageBase = 0;
    switch (u16(optional, 0)) {
    case 0x10b: // PE32
        directoryCountAt = 92;
        directories = 96;
        if (optional.size() >= 32)
            imageBase = u32(optional, 28);
        break;
    case 0x20b: // PE32+
        directoryCountAt = 108;
        directories = 112;
        if (optional.size() >= 32)
            imageBase = qFromLittleEndian<quint64>(
                    reinterpret_cast<const uchar *>(optional.constData() + 24));
        break;
    default:
        return image;
    }
    image.bits = bits;
    if (optional.size() < directories + 16 || u32(optional, directoryCountAt) < 2)
        return image;
    const quint32 importRva = u32(optional, directories + 8);
    // The fourteenth directory names the delay-loaded imports.
    const bool hasDelayDirectory =
            optional.size() >= directories + 14 * 8 && u32(optional, directoryCountAt) >= 14;
    const quint32 delayRva = hasDelayDirectory ? u32(optional, directories + 13 * 8) : 0;
    if (importRva == 0 && delayRva == 0)
        return image;

    const QByteArray sectionTable =
            reader.read(peOffset + 24 + optionalSize, sectionCount * sectionHeaderSize);
    QVector<Section> sections;
    for (int at = 0; at + sectionHeaderSize <= sectionTable.size(); at += sectionHeaderSize)
        sections.append({ u32(sectionTable, at + 12), u32(sectionTable, at + 8),
                          u32(sectionTable, at + 16), u32(sectionTable, at + 20) });

    if (importRva != 0)
        image.imports = dllNames(reader, sections, importRva, descriptorSize, 12, false, 0);
    if (delayRva != 0)
        image.delayImports =
                dllNames(reader, sections, delayRva, delayDescriptorSize, 4, true, imageBase);
    return image;
}
