#ifndef ZIPCONTENTS_H
#define ZIPCONTENTS_H

#include "leftout.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct ZipFileEntry
{
    QString path; // absolute
    QString name; // relative to the application folder, with '/'
    qint64 size = 0;
};

// What the zip of an application folder holds, and what it leaves out.
struct ZipContents
{
    QString appDir;
    QVector<ZipFileEntry> files;
    qint64 totalSize = 0;
    qint64 largestSize = 0;
    int buildFiles = 0;
    int debuggerFiles = 0;
    QVector<const LeftOutRule *> rulesUsed; // in the table's order
    int skippedEntries = 0; // links, past the walk's bounds, or folders that cannot be read
    QString firstSkipped;
};

// Limits the zip container sets: no Zip64, each file read whole.
struct ZipLimits
{
    qint64 maxTotalSize = 0xffffffffLL - 16 * 1024 * 1024; // room for the headers
    qint64 maxFileSize = (qint64(1) << 31) - 1;
    int maxEntries = 65535;
};

// The application folder's tree, less what the left-out rules name and the
// file at `zipPath` (the zip itself, when saved inside the folder). Links are
// never followed; the walk keeps the check's bounds on entries and depth.
ZipContents listZipContents(const QString &appDir, const QString &zipPath);

// Why the zip cannot be written within `limits`, or nothing.
QString limitProblem(const ZipContents &contents, const ZipLimits &limits = ZipLimits());

// The report's lines of what was left out: empty when nothing was.
QStringList leftOutLines(const ZipContents &contents);

// "<AppName>-<version>-win64.zip", the version from the program's version
// resource without trailing zero parts; "win32" for a 32-bit program.
QString proposedZipName(const QString &programPath);

#endif // ZIPCONTENTS_H
