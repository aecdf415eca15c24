#include "ziptrial.h"

#include "deploycheck/trial.h"
#include "ziparchive.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

ZipTrial::ZipTrial(QObject *parent) : QObject(parent), trial(new Trial(this))
{
    connect(trial, &Trial::finished, this, &ZipTrial::trialEnded);
}

ZipTrial::~ZipTrial()
{
    // The program ends before its folder is removed.
    delete trial;
}

bool ZipTrial::isRunning() const
{
    return trial->isRunning();
}

bool ZipTrial::start(const QString &zipPath, const QString &topFolder, const QString &programName,
                     const QStringList &places, const QString &kitDir, QVector<CheckLine> *lines)
{
    if (trial->isRunning())
        return false;
    folder.reset(new QTemporaryDir(QDir::tempPath() + QStringLiteral("/trevalo-zip-XXXXXX")));
    const QString failure = folder->isValid() ? ZipArchive::unpack(zipPath, folder->path())
                                              : QStringLiteral("cannot make a temporary folder");
    const QString program =
            folder->path() + QLatin1Char('/') + topFolder + QLatin1Char('/') + programName;
    if (!failure.isEmpty() || !QFileInfo(program).isFile()) {
        lines->append({ failure.isEmpty()
                                ? QStringLiteral("The zip does not hold %1/%2.").arg(topFolder, programName)
                                : QStringLiteral("Cannot try the zip: %1.").arg(failure),
                        true });
        folder.reset();
        return false;
    }
    const DeployCheck check = checkDeployment(program, places, kitDir);
    *lines << checkReport(check);
    if (!trial->start(program, check.neededMissing())) {
        folder.reset();
        return false;
    }
    return true;
}

void ZipTrial::trialEnded(bool started, const QStringList &lines)
{
    // Kept for this object's end when Windows still holds a file of it.
    if (folder->remove())
        folder.reset();
    emit finished(started, lines);
}
