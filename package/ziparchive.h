#ifndef ZIPARCHIVE_H
#define ZIPARCHIVE_H

#include <QByteArray>
#include <QScopedPointer>
#include <QString>

class QIODevice;
class QZipWriter;

// The zip container, and the one place that uses Qt's own zip classes. They
// are private API (of Qt GUI up to 6.5, of Qt Core from 6.6), which may
// change with any Qt release: kept behind this class, another library later
// touches this file only.
//
// Their limits are the caller's to meet before writing: no Zip64 (below 4 GB
// and 65,535 entries in all), each file handed over whole, in memory (below
// 2 GB), and the current time on every entry.
class ZipArchive
{
public:
    // Writes a new zip into `device`, open for writing; close() closes it.
    explicit ZipArchive(QIODevice *device);
    ~ZipArchive();

    // Adds a file, compressed where that makes it smaller; `name` uses '/'
    // and is stored in UTF-8 with the zip's UTF-8 flag set. False once a
    // write has failed.
    bool addFile(const QString &name, const QByteArray &data);
    // Writes the zip's directory and closes the device; false when a write failed.
    bool close();

    // Unpacks the zip at `zipPath` into the existing `folder`, refusing every
    // entry that is not a plain relative path (absolute, "..", a drive) and
    // any entry of 2 GB or more. Returns what failed, or nothing.
    static QString unpack(const QString &zipPath, const QString &folder);

private:
    QScopedPointer<QZipWriter> writer;
};

#endif // ZIPARCHIVE_H
