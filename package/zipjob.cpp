#include "zipjob.h"

#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// QZipWriter closes the device it writes to, and QSaveFile must not be
// closed but committed: the zip goes to the save file through this device,
// whose close() leaves the save file open.
class SaveFileDevice : public QIODevice
{
public:
    explicit SaveFileDevice(QSaveFile *file) : file(file) { open(QIODevice::WriteOnly); }

    bool seek(qint64 pos) override { return QIODevice::seek(pos) && file->seek(pos); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override { return file->write(data, size); }

private:
    QSaveFile *file;
};

} // namespace

ZipJob::ZipJob(const ZipContents &contents, const QString &zipPath, const QString &topFolder,
               QObject *parent)
    : QThread(parent), contents(contents), path(zipPath), topFolder(topFolder)
{
}

ZipJob::~ZipJob()
{
    cancel();
    wait();
}

void ZipJob::cancel()
{
    cancelled = 1;
}

bool ZipJob::succeeded() const
{
    return written;
}

bool ZipJob::wasCancelled() const
{
    return !written && error.isEmpty() && isFinished();
}

QString ZipJob::failure() const
{
    return error;
}

void ZipJob::run()
{
    error = write();
}

// Returns what failed, or nothing; a save file that is not committed removes
// its temporary file.
QString ZipJob::write()
{
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), target.errorString());
    SaveFileDevice device(&target);
    ZipArchive zip(&device);
    int files = 0;
    qint64 bytes = 0;
    for (const ZipFileEntry &entry : contents.files) {
        if (cancelled != 0)
            return QString();
        QFile file(entry.path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read %1: %2")
                    .arg(QDir::toNativeSeparators(entry.path), file.errorString());
        // The file may have grown since the limits were checked.
        if (file.size() > ZipLimits().maxFileSize)
            return QStringLiteral("%1 has grown to 2 GB or more").arg(QDir::toNativeSeparators(entry.path));
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return QStringLiteral("cannot read %1: %2")
                    .arg(QDir::toNativeSeparators(entry.path), file.errorString());
        if (!zip.addFile(topFolder + QLatin1Char('/') + entry.name, data)
            || target.error() != QFileDevice::NoError)
            return QStringLiteral("cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(path), target.errorString());
        bytes += data.size();
        emit progressed(++files, bytes);
    }
    if (!zip.close() || !target.commit())
        return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), target.errorString());
    written = true;
    return QString();
}
