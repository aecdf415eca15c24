#include "qtbinary.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QtEndian>

namespace {

// Bounds on what a hostile file can make the readers do: Qt's release DLLs
// are a few MB, debug ones a few hundred.
const qint64 maxScanned = qint64(64) << 20;
const int chunkSize = 64 * 1024;
const int maxNameLength = 40;
const int maxNames = 32;

quint32 u32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

// Up to `length` bytes after the last `pattern` in the file, or nothing. Qt
// and Windows put plugin metadata and resources near a file's end, so it is
// read backwards, a chunk at a time.
QByteArray afterLast(const QString &path, const QByteArray &pattern, int length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // As the path's attribute, which Windows gives far more cheaply than
    // the open file does.
    const qint64 size = QFileInfo(path).size();
    const int overlap = pattern.size() + length;
    for (qint64 end = size; end > 0 && size - end < maxScanned; end -= chunkSize) {
        const qint64 start = qMax<qint64>(0, end - chunkSize);
        if (!file.seek(start))
            return QByteArray();
        const QByteArray chunk = file.read(end - start + overlap);
        const int at = chunk.lastIndexOf(pattern);
        if (at >= 0)
            return chunk.mid(at + pattern.size(), length);
    }
    return QByteArray();
}

// The value of `key` in a Qt 5 binary JSON object ("qbjs"), if it is a
// bool or a small number, which Qt stores in the entry itself.
bool binaryJsonValue(const QByteArray &json, const QByteArray &key, int *value)
{
    // Header (8 bytes), then the object: size, length and table offset.
    if (json.size() < 20 || !json.startsWith("qbjs"))
        return false;
    const quint32 size = u32(json, 8);
    const quint32 count = u32(json, 12) >> 1;
    const quint32 table = u32(json, 16);
    if (size > quint32(json.size() - 8) || table > size || count > (size - table) / 4)
        return false;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 entry = u32(json, int(8 + table + 4 * i));
        if (entry + 6 > size)
            continue;
        const quint32 header = u32(json, int(8 + entry));
        const int keyLength = qFromLittleEndian<quint16>(
                reinterpret_cast<const uchar *>(json.constData() + 8 + entry + 4));
        const bool latinKey = header & 0x10;
        if (!latinKey || entry + 6 + keyLength > size || json.mid(int(8 + entry + 6), keyLength) != key)
            continue;
        // Type: 1 bool, 2 a number, stored here when the fourth bit is set.
        const quint32 type = header & 7;
        if (type == 1 || (type == 2 && (header & 8))) {
            *value = int(header) >> 5;
            return true;
        }
    }
    return false;
}

} // namespace

bool QtBuild::loads(const QtBuild &plugin) const
{
    return plugin.major == major && plugin.minor <= minor && plugin.debug == debug;
}

QString QtBuild::version() const
{
    return QStringLiteral("%1.%2").arg(major).arg(minor)
            + (patch ? QStringLiteral(".%1").arg(patch) : QString());
}

QtBuild readPluginBuild(const QString &path)
{
    QtBuild build;
    // "QTMETADATA !": a header of format version, Qt's major and minor
    // version, and requirements that hold the debug flag (bit 0 in format
    // 0, bit 7 from 1).
    const QByteArray header = afterLast(path, QByteArrayLiteral("QTMETADATA !"), 4);
    if (header.size() == 4 && header.at(1) != 0) {
        build.major = uchar(header.at(1));
        build.minor = uchar(header.at(2));
        build.debug = uchar(header.at(3)) & (header.at(0) == 0 ? 0x01 : 0x80);
        return build;
    }
    const QByteArray json = afterLast(path, QByteArrayLiteral("QTMETADATA  "), 64 * 1024);
    int version = 0;
    int debug = 0;
    if (binaryJsonValue(json, "version", &version) && binaryJsonValue(json, "debug", &debug)) {
        build.major = (version >> 16) & 0xff;
        build.minor = (version >> 8) & 0xff;
        build.patch = version & 0xff;
        build.debug = debug != 0;
    }
    return build;
}

QtBuild readCoreBuild(const QString &path)
{
    QtBuild build;
    // VS_FIXEDFILEINFO after its signature: the structure's version, the
    // file version (major.minor, patch.build), the product version, the
    // flags' mask and the flags, where 1 is a debug build.
    const QByteArray info = afterLast(path, QByteArray("\xbd\x04\xef\xfe", 4), 28);
    if (info.size() < 28)
        return build;
    build.major = int(u32(info, 4) >> 16);
    build.minor = int(u32(info, 4) & 0xffff);
    build.patch = int(u32(info, 8) >> 16);
    build.debug = u32(info, 24) & u32(info, 20) & 1;
    if (build.major > 255 || build.minor > 255)
        build = QtBuild();
    return build;
}

QVector<QStringList> readOpenSslNames(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Whole strings only, as Qt writes them: "libssl-1_1-x64", "libeay32".
    static const QRegularExpression name(
            QStringLiteral("^(?:lib(ssl|crypto)(?:-[0-9a-z_]+)*|(ssl)eay32|lib(ea)y32)$"));
    QMap<qint64, QString> found[2]; // libssl, libcrypto names by where they are
    const qint64 size = QFileInfo(path).size();
    for (qint64 start = 0; start < maxScanned && start < size; start += chunkSize) {
        if (!file.seek(start))
            break;
        const QByteArray chunk = file.read(chunkSize + maxNameLength);
        for (int at = chunk.indexOf('\0'); at >= 0 && at < chunkSize; at = chunk.indexOf('\0', at + 1)) {
            const int end = chunk.indexOf('\0', at + 1);
            if (end < 0 || end - at - 1 < 8 || end - at - 1 > maxNameLength)
                continue;
            const QRegularExpressionMatch match =
                    name.match(QString::fromLatin1(chunk.mid(at + 1, end - at - 1)));
            if (!match.hasMatch())
                continue;
            const bool ssl = match.captured(1) == QLatin1String("ssl") || !match.captured(2).isEmpty();
            if (found[ssl ? 0 : 1].size() < maxNames)
                found[ssl ? 0 : 1].insert(start + at, match.captured(0));
        }
    }
    QStringList ssl;
    QStringList crypto;
    for (const QString &each : qAsConst(found[0]))
        if (!ssl.contains(each))
            ssl << each;
    for (const QString &each : qAsConst(found[1]))
        if (!crypto.contains(each))
            crypto << each;
    QVector<QStringList> pairs;
    for (int i = 0; i < qMin(ssl.size(), crypto.size()); ++i)
        pairs.append({ ssl.at(i), crypto.at(i) });
    return pairs;
}
