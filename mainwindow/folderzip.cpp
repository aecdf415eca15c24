#include "folderzip.h"

#include "package/zipjob.h"
#include "package/ziptrial.h"
#include "reportpane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QProgressDialog>
#include <QUrl>

namespace {
const QString zipLink = QStringLiteral("trevalo:make-zip");
const QString tryZipLink = QStringLiteral("trevalo:try-zip");

QString sizeText(qint64 bytes)
{
    return QLocale(QLocale::English).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}
} // namespace

FolderZip::FolderZip(ReportPane *report, QMenu *menu, QWidget *window, QObject *parent)
    : QObject(parent), report(report), window(window), trial(new ZipTrial(this))
{
    zipAction = menu->addAction(tr("制作 zip 包…"), this, &FolderZip::makeZip);
    zipAction->setToolTip(tr("Zip the deployed folder to ship it, without the build's files"));
    tryAction = menu->addAction(tr("试运行 zip 包"), this, &FolderZip::tryZip);
    tryAction->setToolTip(tr("Unpack the zip into a temporary folder and start the program there "
                             "as a clean machine would"));
    connect(trial, &ZipTrial::finished, this, &FolderZip::showTrialEnd);
    clear();
}

void FolderZip::clear()
{
    program.clear();
    zipPath.clear();
    zipAction->setEnabled(false);
    tryAction->setEnabled(false);
}

void FolderZip::offer(const QString &programPath, const QStringList &missingDlls,
                      const QStringList &placesToLook, const QString &kitDir)
{
    program = programPath;
    missing = missingDlls;
    places = placesToLook;
    kit = kitDir;
    zipAction->setEnabled(!isBusy());
}

void FolderZip::appendLinks()
{
    if (zipAction->isEnabled())
        report->appendLink(tr("Make a zip to ship, without the build's files"), zipLink);
    if (tryAction->isEnabled())
        report->appendLink(tr("Try the zip as a clean machine would start it"), tryZipLink);
}

bool FolderZip::followLink(const QUrl &link)
{
    if (link == QUrl(zipLink))
        zipAction->trigger();
    else if (link == QUrl(tryZipLink))
        tryAction->trigger();
    else
        return false;
    return true;
}

bool FolderZip::isBusy() const
{
    return job || trial->isRunning();
}

void FolderZip::makeZip()
{
    if (isBusy() || program.isEmpty())
        return;
    const QFileInfo programFile(program);
    const QString proposed = QFileInfo(programFile.absolutePath()).absolutePath() + QLatin1Char('/')
            + proposedZipName(program);
    // The dialog asks before an existing zip is replaced.
    const QString chosen =
            QFileDialog::getSaveFileName(window, tr("Save the zip"), proposed, tr("Zip (*.zip)"));
    if (chosen.isEmpty())
        return;
    topFolder = QFileInfo(chosen).completeBaseName();
    if (topFolder.isEmpty() || topFolder == QLatin1String(".") || topFolder == QLatin1String(".."))
        topFolder = programFile.completeBaseName();
    report->appendParagraph(QString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    contents = listZipContents(programFile.absolutePath(), chosen);
    QApplication::restoreOverrideCursor();
    const QString problem = limitProblem(contents);
    if (!problem.isEmpty()) {
        report->appendParagraph(tr("No zip written: %1").arg(problem), ReportPane::failureColor());
        emit reported();
        return;
    }
    job = new ZipJob(contents, chosen, topFolder, this);
    progress = new QProgressDialog(window);
    progress->setWindowTitle(tr("制作 zip 包"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setRange(0, 1000);
    connect(progress, &QProgressDialog::canceled, job, &ZipJob::cancel);
    connect(job, &ZipJob::progressed, this, &FolderZip::showZipProgress);
    connect(job, &QThread::finished, this, &FolderZip::zipEnded);
    showZipProgress(0, 0);
    zipAction->setEnabled(false);
    tryAction->setEnabled(false);
    emit busyStarted();
    job->start();
}

void FolderZip::showZipProgress(int files, qint64 bytes)
{
    if (!progress || progress->wasCanceled())
        return;
    progress->setLabelText(tr("Zipping %1 of %2 files, %3 of %4…")
                                   .arg(files)
                                   .arg(contents.files.size())
                                   .arg(sizeText(bytes), sizeText(contents.totalSize)));
    progress->setValue(contents.totalSize > 0 ? int(bytes * 1000 / contents.totalSize) : 0);
}

void FolderZip::zipEnded()
{
    progress->deleteLater();
    progress = nullptr;
    const QString path = QDir::toNativeSeparators(job->zipPath());
    if (job->succeeded()) {
        zipPath = job->zipPath();
        report->appendParagraph(
                tr("Wrote %1: %2 files, %3 before compression, %4 in the zip.")
                        .arg(path)
                        .arg(contents.files.size())
                        .arg(sizeText(contents.totalSize), sizeText(QFileInfo(zipPath).size())));
        for (const QString &line : leftOutLines(contents))
            report->appendParagraph(line);
        if (!missing.isEmpty())
            report->appendParagraph(
                    tr("The zip holds what the folder holds: the DLLs the check found missing (%1) "
                       "are missing from the zip too.")
                            .arg(missing.join(QStringLiteral(", "))),
                    ReportPane::warningColor());
        tryAction->setEnabled(true);
        report->appendLink(tr("Try the zip as a clean machine would start it"), tryZipLink);
    } else if (job->failure().isEmpty()) {
        report->appendParagraph(tr("Zipping cancelled: no zip written."), ReportPane::warningColor());
    } else {
        report->appendParagraph(tr("No zip written: %1.").arg(job->failure()),
                                ReportPane::failureColor());
    }
    job->deleteLater();
    job = nullptr;
    zipAction->setEnabled(!program.isEmpty());
    emit busyEnded();
    emit reported();
}

void FolderZip::tryZip()
{
    if (isBusy() || zipPath.isEmpty())
        return;
    report->appendParagraph(QString());
    QVector<CheckLine> lines;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool started =
            trial->start(zipPath, topFolder, QFileInfo(program).fileName(), places, kit, &lines);
    QApplication::restoreOverrideCursor();
    report->appendLines(lines);
    if (started) {
        tryAction->setEnabled(false);
        zipAction->setEnabled(false);
        report->appendParagraph(tr("Trying %1 from the zip, unpacked into a temporary folder, as a "
                                   "clean machine would start it…")
                                        .arg(QFileInfo(program).fileName()));
        emit busyStarted();
    }
    emit reported();
}

void FolderZip::showTrialEnd(bool started, const QStringList &lines)
{
    for (const QString &line : lines)
        report->appendParagraph(line, started ? QColor() : ReportPane::warningColor());
    report->appendParagraph(started ? tr("The zip starts on a clean machine.")
                                    : tr("The zip does not start as it is."),
                            started ? QColor() : ReportPane::failureColor());
    tryAction->setEnabled(!zipPath.isEmpty());
    zipAction->setEnabled(!program.isEmpty());
    emit busyEnded();
    emit reported();
}
