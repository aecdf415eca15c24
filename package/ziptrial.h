#ifndef ZIPTRIAL_H
#define ZIPTRIAL_H

#include "deploycheck/deploycheck.h"

#include <QObject>
#include <QScopedPointer>
#include <QStringList>
#include <QVector>

class QTemporaryDir;
class Trial;

// Tries a zip as it reaches a clean machine: unpacked into a new temporary
// folder, checked there with the check's rules, and its program started
// there as the trial starts a deployed one. The folder is removed when the
// trial ends, or with this object.
class ZipTrial : public QObject
{
    Q_OBJECT

public:
    explicit ZipTrial(QObject *parent = nullptr);
    ~ZipTrial() override;

    bool isRunning() const;
    // Unpacks the zip at `zipPath` and starts `programName` in its top folder,
    // looking in `places` and the kit at `kitDir` for what the folder lacks. The check's lines, or
    // what stopped the trial, go to `lines`; true when the program was
    // started, and finished() follows.
    bool start(const QString &zipPath, const QString &topFolder, const QString &programName,
               const QStringList &places, const QString &kitDir, QVector<CheckLine> *lines);

signals:
    void finished(bool started, const QStringList &lines);

private:
    void trialEnded(bool started, const QStringList &lines);

    Trial *trial;
    QScopedPointer<QTemporaryDir> folder;
};

#endif // ZIPTRIAL_H
