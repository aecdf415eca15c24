#include "peimage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
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
// A version resource lies a few levels into a directory of a few kilobytes.
const quint32 maxResourceDirectory = 64 * 1024;
const int maxResourceEntries = 512;
const quint32 versionType = 16; // RT_VERSION

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
    // The size comes from the path's attributes: asking the open file for it
    // costs Windows a query of the whole volume, many times the read itself.
    explicit Reader(const QString &path) : file(path)
    {
        if (file.open(QIODevice::ReadOnly))
            size = QFileInfo(path).size();
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

// The headers every read starts from: the bitness, the image base, the data
// directories and the sections.
struct Headers
{
    int bits = 0;
    quint64 imageBase = 0;
    QByteArray optional;
    int directories = 0; // where the data directories start in `optional`
    quint32 directoryCount = 0;
    qint64 sectionTableAt = 0;
    int sectionCount = 0;

    // The relative virtual address of data directory `index`, or 0.
    quint32 directory(int index) const
    {
        if (directoryCount <= quint32(index) || optional.size() < directories + (index + 1) * 8)
            return 0;
        return u32(optional, directories + index * 8);
    }
    quint32 directorySize(int index) const
    {
        return directory(index) == 0 ? 0 : u32(optional, directories + index * 8 + 4);
    }

    QVector<Section> sections(Reader &reader) const
    {
        const QByteArray table = reader.read(sectionTableAt, sectionCount * sectionHeaderSize);
        QVector<Section> list;
        for (int at = 0; at + sectionHeaderSize <= table.size(); at += sectionHeaderSize)
            list.append({ u32(table, at + 12), u32(table, at + 8), u32(table, at + 16),
                          u32(table, at + 20) });
        return list;
    }
};

Headers readHeaders(Reader &reader)
{
    Headers headers;
    const QByteArray dos = reader.read(0, 64);
    if (dos.size() < 64 || !dos.startsWith("MZ"))
        return headers;
    const qint64 peOffset = u32(dos, 0x3c);

    // Signature "PE\0\0" and the file header.
    const QByteArray header = reader.read(peOffset, 24);
    if (header.size() < 24 || !header.startsWith(QByteArray("PE\0\0", 4)))
        return headers;
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
        return headers;
    }
    headers.sectionCount = qMin<int>(u16(header, 6), maxSections);
    const int optionalSize = u16(header, 20);
    headers.sectionTableAt = peOffset + 24 + optionalSize;

    // The optional header, up to the end of its data directories.
    const QByteArray optional = reader.read(peOffset + 24, qMin(optionalSize, 240));
    if (optional.size() < 2)
        return headers;
    int directoryCountAt = 0;
    switch (u16(optional, 0)) {
    case 0x10b: // PE32
        directoryCountAt = 92;
        headers.directories = 96;
        if (optional.size() >= 32)
            headers.imageBase = u32(optional, 28);
        break;
    case 0x20b: // PE32+
        directoryCountAt = 108;
        headers.directories = 112;
        if (optional.size() >= 32)
            headers.imageBase = qFromLittleEndian<quint64>(
                    reinterpret_cast<const uchar *>(optional.constData() + 24));
        break;
    default:
        return headers;
    }
    headers.bits = bits;
    headers.optional = optional;
    if (optional.size() >= directoryCountAt + 4)
        headers.directoryCount = u32(optional, directoryCountAt);
    return headers;
}

// The data entry of the first resource of `type`: the resource directory's
// three levels (type, name, language), first entry each, every offset
// checked against the directory's extent.
quint32 resourceData(Reader &reader, const QVector<Section> &sections, quint32 directoryRva,
                     quint32 directorySize, quint32 type, quint32 *size)
{
    const qint64 base = fileOffset(sections, directoryRva);
    const QByteArray directory =
            reader.read(base, int(qMin<quint32>(directorySize, maxResourceDirectory)));
    int at = 0;
    for (int level = 0; level < 3; ++level) {
        if (at < 0 || at + 16 > directory.size())
            return 0;
        const int entries = qMin(u16(directory, at + 12) + u16(directory, at + 14), maxResourceEntries);
        const int first = at + 16;
        int next = -1;
        for (int i = 0; i < entries && first + i * 8 + 8 <= directory.size(); ++i) {
            const quint32 id = u32(directory, first + i * 8);
            const quint32 offset = u32(directory, first + i * 8 + 4);
            if (level == 0 && id != type)
                continue;
            // The first two levels lead to directories, the last to a data entry.
            if (((offset & 0x80000000u) != 0) != (level < 2))
                return 0;
            next = int(offset & 0x7fffffffu);
            break;
        }
        at = next;
    }
    if (at < 0 || at + 8 > directory.size())
        return 0;
    *size = u32(directory, at + 4);
    return u32(directory, at);
}

} // namespace

PeImage readPeImage(const QString &path)
{
    PeImage image;
    Reader reader(path);
    const Headers headers = readHeaders(reader);
    image.bits = headers.bits;
    if (image.bits == 0)
        return image;
    const quint32 importRva = headers.directory(1);
    // The fourteenth directory names the delay-loaded imports.
    const quint32 delayRva = headers.directory(13);
    if (importRva == 0 && delayRva == 0)
        return image;

    const QVector<Section> sections = headers.sections(reader);
    if (importRva != 0)
        image.imports = dllNames(reader, sections, importRva, descriptorSize, 12, false, 0);
    if (delayRva != 0)
        image.delayImports =
                dllNames(reader, sections, delayRva, delayDescriptorSize, 4, true, headers.imageBase);
    return image;
}

QVector<int> readFileVersion(const QString &path)
{
    Reader reader(path);
    const Headers headers = readHeaders(reader);
    // The third directory holds the resources.
    const quint32 resourceRva = headers.directory(2);
    if (resourceRva == 0)
        return {};
    const QVector<Section> sections = headers.sections(reader);
    quint32 size = 0;
    const quint32 dataRva =
            resourceData(reader, sections, resourceRva, headers.directorySize(2), versionType, &size);
    // VS_VERSIONINFO: three 16-bit fields, the key "VS_VERSION_INFO" in
    // UTF-16 with its zero, padding to 32 bits, then VS_FIXEDFILEINFO.
    const QByteArray info = reader.read(fileOffset(sections, dataRva), int(qMin<quint32>(size, 92)));
    const QByteArray key =
            QByteArray::fromRawData(reinterpret_cast<const char *>(u"VS_VERSION_INFO"), 32);
    if (dataRva == 0 || info.size() < 92 || info.mid(6, 32) != key || u32(info, 40) != 0xfeef04bd)
        return {};
    const quint32 high = u32(info, 48);
    const quint32 low = u32(info, 52);
    return { int(high >> 16), int(high & 0xffff), int(low >> 16), int(low & 0xffff) };
}
