#ifndef ZIPJOB_H
#define ZIPJOB_H

#include "zipcontents.h"

#include <QAtomicInt>
#include <QString>
#include <QThread>

// Writes the zip of an application folder in a thread of its own: the files
// listed, each under one top folder, into a temporary file beside the zip
// that is renamed into place once complete. A failure or a cancel leaves no
// file behind and an older zip of that name as it was.
class ZipJob : public QThread
{
    Q_OBJECT

public:
    ZipJob(const ZipContents &contents, const QString &zipPath, const QString &topFolder,
           QObject *parent = nullptr);
    // Cancels the job and waits for it.
    ~ZipJob() override;

    // Takes effect between files.
    void cancel();
    // Once the thread has ended: true when the zip was written.
    bool succeeded() const;
    bool wasCancelled() const;
    // What failed, as the report says it.
    QString failure() const;
    QString zipPath() const { return path; }

signals:
    void progressed(int files, qint64 bytes);

protected:
    void run() override;

private:
    QString write();

    const ZipContents contents;
    const QString path;
    const QString topFolder;
    QAtomicInt cancelled;
    bool written = false;
    QString error;
};

#endif // ZIPJOB_H
