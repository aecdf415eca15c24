#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
#include <QtCore/private/qzipreader_p.h>
#include <QtCore/private/qzipwriter_p.h>
#else
#include <QtGui/private/qzipreader_p.h>
#include <QtGui/private/qzipwriter_p.h>
#endif

namespace {

const qint64 maxEntrySize = (qint64(1) << 31) - 1;

// A name the zip may hold: relative, with '/', no "..", no drive, nothing empty.
bool isPlainRelativePath(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QLatin1Char(':')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        // A folder entry ends with '/', leaving one empty part at the end.
        if (part == QLatin1String(".") || part == QLatin1String("..")
            || (part.isEmpty() && i + 1 < parts.size()))
            return false;
    }
    return true;
}

} // namespace

ZipArchive::ZipArchive(QIODevice *device) : writer(new QZipWriter(device))
{
    writer->setCompressionPolicy(QZipWriter::AutoCompress);
}

ZipArchive::~ZipArchive() = default;

bool ZipArchive::addFile(const QString &name, const QByteArray &data)
{
    if (writer->status() != QZipWriter::NoError)
        return false;
    writer->addFile(name, data);
    return writer->status() == QZipWriter::NoError;
}

bool ZipArchive::close()
{
    writer->close();
    return writer->status() == QZipWriter::NoError;
}

QString ZipArchive::unpack(const QString &zipPath, const QString &folder)
{
    QZipReader reader(zipPath);
    if (!reader.isReadable() || reader.status() != QZipReader::NoError)
        return QStringLiteral("%1 cannot be read as a zip").arg(QDir::toNativeSeparators(zipPath));
    const QDir root(folder);
    const QVector<QZipReader::FileInfo> entries = reader.fileInfoList();
    for (const QZipReader::FileInfo &entry : entries) {
        if (!isPlainRelativePath(entry.filePath) || entry.isSymLink)
            return QStringLiteral("the zip holds an entry that leads out of its folder: %1").arg(entry.filePath);
        if (entry.size > maxEntrySize)
            return QStringLiteral("%1 is 2 GB or more").arg(entry.filePath);
        const QString path = root.filePath(entry.filePath);
        if (entry.isDir) {
            if (!root.mkpath(entry.filePath))
                return QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(path));
            continue;
        }
        if (!root.mkpath(QFileInfo(entry.filePath).path()))
            return QStringLiteral("cannot make the folder of %1").arg(QDir::toNativeSeparators(path));
        const QByteArray data = reader.fileData(entry.filePath);
        if (data.size() != entry.size)
            return QStringLiteral("%1 is damaged in the zip").arg(entry.filePath);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(data) != data.size()
            || !file.flush())
            return QStringLiteral("cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    return QString();
}
